#include "teskchat/chat_input_edit.h"

#include "platform/text/cp932.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace teskchat {
namespace {

QString PlainText(const QString& raw) {
    QString text = raw;
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace

ChatInputEdit::ChatInputEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(1);
    // The document cannot be edited while it reports a change: note the change, trim afterwards.
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int /*removed*/, int added) {
        if (trimming_ || added <= 0) return;
        pendingPosition_ = position;
        pendingAdded_ = added;
    });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (pendingAdded_ <= 0) return;
        const int position = pendingPosition_;
        const int added = pendingAdded_;
        pendingAdded_ = 0;
        EnforceLimit(position, added);
    });
}

int ChatInputEdit::ByteLength(const QString& text) {
    const QString plain = PlainText(text);
    return static_cast<int>(platform::CarriedText(plain).size()) + static_cast<int>(plain.count(QLatin1Char('\n')));
}

std::string ChatInputEdit::Text() const {
    QString text = PlainText(toPlainText());
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return platform::CarriedText(text);
}

void ChatInputEdit::EnforceLimit(int position, int added) {
    if (trimming_ || added <= 0) return;
    QString all = document()->toRawText();
    // The document keeps a paragraph separator of its own at the end.
    if (all.endsWith(QChar::ParagraphSeparator)) all.chop(1);
    added = std::min(added, static_cast<int>(all.size()) - position);
    if (added <= 0) return;
    if (ByteLength(all) <= limitBytes_) return;
    // Keep as much of what was just typed or pasted as still fits; the rest is refused.
    // Measured as a whole: whether "&" needs escaping depends on the characters after it.
    const QString before = all.left(position);
    const QString inserted = all.mid(position, added);
    const QString after = all.mid(position + added);
    int low = 0;
    int high = static_cast<int>(inserted.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (ByteLength(before + inserted.left(mid) + after) <= limitBytes_) low = mid; else high = mid - 1;
    }
    if (low > 0 && inserted.at(low - 1).isHighSurrogate()) --low;
    trimming_ = true;
    QTextCursor cursor(document());
    cursor.setPosition(position + low);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    trimming_ = false;
    QTextCursor caret = textCursor();
    caret.setPosition(position + low);
    setTextCursor(caret);
    emit LimitRefused();
}

void ChatInputEdit::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier)) {
        // Ctrl+Enter puts a line break into the message.
        insertPlainText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    if (enter) {
        emit SendRequested();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace teskchat
