#pragma once
// Finding in an ESP conversation: every match in the shown pane is highlighted, the current one
// strongly and selected, so the pane scrolls to it. Next and previous wrap round at the ends.
#include <QObject>

#include <functional>
#include <utility>
#include <vector>

class QTextEdit;

namespace teskchat {

class ChatSearchBar;

class TextPaneSearch : public QObject {
    Q_OBJECT
public:
    // currentPane: the pane on screen now (it changes with the tab), or nullptr.
    TextPaneSearch(ChatSearchBar* bar, std::function<QTextEdit*()> currentPane);

    // Matches as (start, length) in the pane's plain text.
    const std::vector<std::pair<int, int>>& Matches() const { return matches_; }
    int CurrentIndex() const { return current_; }

    // Looks again in the pane on screen (after a tab change or new text), if the bar is open.
    void Refresh();
    void Search();
    void Step(bool backward);
    void Clear();

private:
    void Show();

    ChatSearchBar* bar_;
    std::function<QTextEdit*()> currentPane_;
    QTextEdit* shownIn_ = nullptr;
    std::vector<std::pair<int, int>> matches_;
    int current_ = -1;
};

}  // namespace teskchat
