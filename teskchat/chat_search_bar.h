#pragma once
// The find bar of the chat log and of the ESP conversations: a line for the text, previous and
// next, whether hiragana and katakana count as the same, how many lines match, and a close
// button. Ctrl+F on the owner opens it with the focus in the line; Enter finds the next match,
// Shift+Enter the previous one, Escape closes it. The bar only says what to find: the view it
// belongs to does the finding and highlighting, and reports back what it found.
#include "teskchat/search_text.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace teskchat {

class ChatSearchBar : public QWidget {
    Q_OBJECT
public:
    // Adds the Ctrl+F shortcut to owner (for owner and its children); the bar starts hidden.
    explicit ChatSearchBar(QWidget* owner);

    // The typed text folded for finding; empty when nothing is typed.
    SearchText Needle() const;
    bool KanaInsensitive() const;
    QString Text() const;

    // What the view found: the current match (1-based; 0 none) of total.
    void ShowResult(int current, int total);

    // Shows the bar and puts the focus in its line, the text selected.
    void Open();
    void Close();

    QLineEdit* Line() const { return line_; }
    QToolButton* NextButton() const { return next_; }
    QToolButton* PreviousButton() const { return previous_; }
    QCheckBox* KanaBox() const { return kana_; }
    QLabel* ResultLabel() const { return result_; }
    int PreferredHeight() const;

signals:
    // The text or an option changed: find again from the start.
    void SearchChanged();
    void FindNext();
    void FindPrevious();
    void Closed();
    // Opened or closed: the owner makes room for the bar or takes it back.
    void VisibilityChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* line_;
    QToolButton* previous_;
    QToolButton* next_;
    QCheckBox* kana_;
    QLabel* result_;
    QToolButton* close_;
};

}  // namespace teskchat
