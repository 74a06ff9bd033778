#include "controls/vrmlview/vrml_text.h"

#include <algorithm>

namespace {

// Form feeds and vertical tabs too: the scene library skips them between a node's name and its
// brace, so a name must not swallow them here.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '\f' || c == '\v';
}
bool EndsWord(char c) {
    return IsSpace(c) || c == '{' || c == '}' || c == '[' || c == ']' || c == '"' || c == '#';
}

}  // namespace

VrmlText::VrmlText(QByteArray text) : text_(std::move(text)) { Tokenize(); }

void VrmlText::Tokenize() {
    tokens_.clear();
    const char* p = text_.constData();
    const int size = static_cast<int>(text_.size());
    int line = 1;
    int i = 0;
    while (i < size) {
        const char c = p[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (IsSpace(c)) {
            ++i;
        } else if (c == '#') {
            while (i < size && p[i] != '\n') ++i;
        } else if (c == '"') {
            Token t{i, i, line, kString};
            for (++i; i < size && p[i] != '"'; ++i) {
                if (p[i] == '\\' && i + 1 < size) ++i;
                if (p[i] == '\n') ++line;
            }
            i = std::min(size, i + 1);
            t.end = i;
            tokens_.push_back(t);
        } else if (c == '{' || c == '}' || c == '[' || c == ']') {
            const Kind kind = c == '{' ? kOpenBrace : c == '}' ? kCloseBrace : c == '[' ? kOpenBracket : kCloseBracket;
            tokens_.push_back(Token{i, i + 1, line, kind});
            ++i;
        } else {
            Token t{i, i, line, kWord};
            while (i < size && !EndsWord(p[i])) ++i;
            t.end = i;
            tokens_.push_back(t);
        }
    }
}

QByteArray VrmlText::Word(int index) const {
    if (index < 0 || index >= static_cast<int>(tokens_.size())) return {};
    const Token& t = tokens_[index];
    return t.kind == kWord ? text_.mid(t.begin, t.end - t.begin) : QByteArray();
}

bool VrmlText::IsNumber(int index) const {
    const QByteArray word = Word(index);
    if (word.isEmpty()) return false;
    const char c = word[0];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

int VrmlText::LineNestedDeeperThan(int limit) const {
    int depth = 0;
    for (const Token& t : tokens_) {
        if (t.kind == kOpenBrace || t.kind == kOpenBracket) {
            if (++depth > limit) return t.line;
        } else if (t.kind == kCloseBrace || t.kind == kCloseBracket) {
            depth = std::max(0, depth - 1);
        }
    }
    return 0;
}

int VrmlText::CountOf(Kind kind) const {
    return static_cast<int>(std::count_if(tokens_.begin(), tokens_.end(), [kind](const Token& t) { return t.kind == kind; }));
}

int VrmlText::Matching(int index) const {
    const int count = static_cast<int>(tokens_.size());
    if (index < 0 || index >= count) return -1;
    const Kind open = tokens_[index].kind;
    if (open != kOpenBrace && open != kOpenBracket) return -1;
    int depth = 0;
    for (int i = index; i < count; ++i) {
        const Kind k = tokens_[i].kind;
        if (k == kOpenBrace || k == kOpenBracket) ++depth;
        else if (k == kCloseBrace || k == kCloseBracket) {
            if (--depth == 0) return i;
        }
    }
    return -1;
}

int VrmlText::ValueEnd(int index) const {
    const int count = static_cast<int>(tokens_.size());
    if (index < 0 || index >= count) return -1;
    const Token& t = tokens_[index];
    if (t.kind == kOpenBracket) return Matching(index);
    if (t.kind == kString) return index;
    if (t.kind != kWord) return -1;
    const QByteArray word = Word(index);
    if (word == "USE" || word == "IS") return index + 1 < count ? index + 1 : -1;
    if (word == "DEF") return index + 2 < count ? ValueEnd(index + 2) : -1;
    if (index + 1 < count && tokens_[index + 1].kind == kOpenBrace) return Matching(index + 1);
    if (!IsNumber(index)) return index;
    int last = index;
    while (last + 1 < count && IsNumber(last + 1)) ++last;
    return last;
}

int VrmlText::FindWord(const QByteArray& word, int line, int linesBack) const {
    for (int wanted = line; wanted >= std::max(1, line - linesBack); --wanted) {
        for (int i = 0; i < static_cast<int>(tokens_.size()); ++i) {
            if (tokens_[i].line == wanted && Word(i) == word) return i;
        }
    }
    return -1;
}

bool VrmlText::Blank(int first, int last, const QByteArray& replacement) {
    const int count = static_cast<int>(tokens_.size());
    if (first < 0 || last < first || last >= count) return false;
    const int begin = tokens_[first].begin;
    const int end = tokens_[last].end;
    if (replacement.size() > end - begin) return false;
    for (int i = 0; i < replacement.size(); ++i) {
        if (text_[begin + i] == '\n') return false;
    }
    for (int i = begin; i < end; ++i) {
        if (text_[i] != '\n') text_[i] = ' ';
    }
    for (int i = 0; i < replacement.size(); ++i) text_[begin + i] = replacement[i];
    Tokenize();
    return true;
}
