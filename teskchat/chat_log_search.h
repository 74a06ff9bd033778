#pragma once
// Finding in the chat log: the lines whose name or message hold the search bar's text are
// highlighted, the current one strongly, and scrolled into view. Next and previous walk the
// matching lines and wrap round at the ends.
#include <QObject>

#include <vector>

namespace teskchat {

class ChatLogView;
class ChatSearchBar;

class ChatLogSearch : public QObject {
    Q_OBJECT
public:
    ChatLogSearch(ChatSearchBar* bar, ChatLogView* view);

    const std::vector<int>& Matches() const { return matches_; }
    // The current match's line, or -1.
    int CurrentLine() const;

    void Search();
    void Step(bool backward);
    void Clear();

private:
    void Show();

    ChatSearchBar* bar_;
    ChatLogView* view_;
    std::vector<int> matches_;
    int current_ = -1;  // index into matches_
};

}  // namespace teskchat
