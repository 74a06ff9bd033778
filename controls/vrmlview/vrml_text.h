#pragma once
// The raw text of a VRML file seen as tokens, for checks made before the scene library reads
// it and for cutting out what it cannot read. Blanking keeps every newline, so line numbers the
// library reports afterwards still match the file the user has.
#include <QByteArray>

#include <vector>

class VrmlText {
public:
    enum Kind { kWord, kString, kOpenBrace, kCloseBrace, kOpenBracket, kCloseBracket };
    struct Token {
        int begin = 0;
        int end = 0;  // one past the last byte
        int line = 1;
        Kind kind = kWord;
    };

    explicit VrmlText(QByteArray text);

    const QByteArray& Text() const { return text_; }
    const std::vector<Token>& Tokens() const { return tokens_; }
    QByteArray Word(int index) const;
    bool IsNumber(int index) const;
    // The line where braces and brackets first nest deeper than limit; 0 when they never do.
    int LineNestedDeeperThan(int limit) const;
    int CountOf(Kind kind) const;

    // The token whose match closes the one at index (brace or bracket), or -1.
    int Matching(int index) const;
    // The last token of the field value that starts at index, or -1 when there is none.
    int ValueEnd(int index) const;
    // The first word token equal to word on the given line, or a few lines before it; -1 if none.
    int FindWord(const QByteArray& word, int line, int linesBack = 3) const;

    // Replaces tokens first..last (inclusive) with spaces, and puts replacement at the start.
    // Tokens are read again afterwards. False (nothing changed) when the range is invalid or
    // the replacement does not fit on the range's first line.
    bool Blank(int first, int last, const QByteArray& replacement = {});

private:
    void Tokenize();

    QByteArray text_;
    std::vector<Token> tokens_;
};
