#pragma once
// The chat input line: a multi-line edit where Enter sends and Ctrl+Enter breaks the line.
// It holds at most a fixed number of bytes of carried text (CP932, other characters as references),
// a line break counting as CR LF; a character is kept or refused whole.
#include <QPlainTextEdit>

#include <string>

namespace teskchat {

class ChatInputEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ChatInputEdit(QWidget* parent = nullptr);

    void SetLimitBytes(int bytes) { limitBytes_ = bytes; }
    int LimitBytes() const { return limitBytes_; }

    // The contents in the carried form with CR LF line breaks, as the host receives them.
    std::string Text() const;
    // Bytes the text takes in that form.
    static int ByteLength(const QString& text);

signals:
    void SendRequested();
    // Typed or pasted text did not fit (all or part of it was refused).
    void LimitRefused();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void EnforceLimit(int position, int added);

    int limitBytes_ = 256;
    bool trimming_ = false;
    int pendingPosition_ = 0;
    int pendingAdded_ = 0;
};

}  // namespace teskchat
