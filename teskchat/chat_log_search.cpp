#include "teskchat/chat_log_search.h"

#include "teskchat/chat_column_list.h"
#include "teskchat/chat_log_view.h"
#include "teskchat/chat_search_bar.h"

#include <algorithm>

namespace teskchat {

ChatLogSearch::ChatLogSearch(ChatSearchBar* bar, ChatLogView* view) : QObject(bar), bar_(bar), view_(view) {
    connect(bar_, &ChatSearchBar::SearchChanged, this, &ChatLogSearch::Search);
    connect(bar_, &ChatSearchBar::FindNext, this, [this] { Step(false); });
    connect(bar_, &ChatSearchBar::FindPrevious, this, [this] { Step(true); });
    connect(bar_, &ChatSearchBar::Closed, this, &ChatLogSearch::Clear);
}

int ChatLogSearch::CurrentLine() const {
    return current_ >= 0 && current_ < static_cast<int>(matches_.size()) ? matches_[static_cast<size_t>(current_)] : -1;
}

void ChatLogSearch::Search() {
    matches_.clear();
    current_ = -1;
    const SearchText needle = bar_->Needle();
    if (!needle.Folded().isEmpty() && view_->Column(0) && view_->Column(1)) {
        const bool kana = bar_->KanaInsensitive();
        for (int i = 0; i < view_->LineCount(); ++i) {
            if (SearchText(view_->Column(0)->ItemText(i), kana).Contains(needle) ||
                SearchText(view_->Column(1)->ItemText(i), kana).Contains(needle))
                matches_.push_back(i);
        }
    }
    // Start where the user is reading: the first match from the top line shown, else the first.
    if (!matches_.empty()) {
        const auto at = std::lower_bound(matches_.begin(), matches_.end(), view_->TopLine());
        current_ = at == matches_.end() ? 0 : static_cast<int>(at - matches_.begin());
    }
    Show();
}

void ChatLogSearch::Step(bool backward) {
    const int line = CurrentLine();
    // Lines may have arrived or gone since: look again, then move on from the same place.
    Search();
    if (matches_.empty() || line < 0) return;
    const auto at = std::lower_bound(matches_.begin(), matches_.end(), line);
    const int n = static_cast<int>(matches_.size());
    const int index = static_cast<int>(at - matches_.begin());
    if (backward) current_ = (index - 1 + n) % n;
    else current_ = (at != matches_.end() && *at == line) ? (index + 1) % n : index % n;
    Show();
}

void ChatLogSearch::Clear() {
    matches_.clear();
    current_ = -1;
    view_->SetSearchMarks({}, -1);
}

void ChatLogSearch::Show() {
    const int line = CurrentLine();
    view_->SetSearchMarks(matches_, line);
    if (line >= 0) view_->ShowLine(line);
    bar_->ShowResult(current_ + 1, static_cast<int>(matches_.size()));
}

}  // namespace teskchat
