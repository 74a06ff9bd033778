#include "teskchat/text_pane_search.h"

#include "teskchat/chat_search_bar.h"
#include "teskchat/search_text.h"

#include <QTextEdit>

#include <algorithm>

namespace teskchat {
namespace {

const QColor kMatchColour(255, 240, 120);
const QColor kCurrentColour(255, 160, 60);

}  // namespace

TextPaneSearch::TextPaneSearch(ChatSearchBar* bar, std::function<QTextEdit*()> currentPane)
    : QObject(bar), bar_(bar), currentPane_(std::move(currentPane)) {
    connect(bar_, &ChatSearchBar::SearchChanged, this, &TextPaneSearch::Search);
    connect(bar_, &ChatSearchBar::FindNext, this, [this] { Step(false); });
    connect(bar_, &ChatSearchBar::FindPrevious, this, [this] { Step(true); });
    connect(bar_, &ChatSearchBar::Closed, this, &TextPaneSearch::Clear);
}

void TextPaneSearch::Refresh() {
    if (bar_->isHidden()) return;
    Search();
}

void TextPaneSearch::Search() {
    // Highlights stay with the pane they were made in only while it is the one shown.
    if (shownIn_ && shownIn_ != currentPane_()) shownIn_->setExtraSelections({});
    matches_.clear();
    current_ = -1;
    QTextEdit* pane = currentPane_();
    shownIn_ = pane;
    const SearchText needle = bar_->Needle();
    if (pane && !needle.Folded().isEmpty()) {
        const QString text = pane->document()->toPlainText();
        const SearchText haystack(text, bar_->KanaInsensitive());
        for (auto match = haystack.Find(needle, 0); match.Found();
             match = haystack.Find(needle, match.start + std::max(1, match.length)))
            matches_.emplace_back(match.start, match.length);
    }
    // The newest text is at the bottom: the last match is where a reader looks first.
    if (!matches_.empty()) current_ = static_cast<int>(matches_.size()) - 1;
    Show();
}

void TextPaneSearch::Step(bool backward) {
    if (matches_.empty() || shownIn_ != currentPane_()) {
        Search();
        return;
    }
    const int n = static_cast<int>(matches_.size());
    current_ = (current_ + (backward ? n - 1 : 1)) % n;
    Show();
}

void TextPaneSearch::Clear() {
    if (shownIn_) shownIn_->setExtraSelections({});
    shownIn_ = nullptr;
    matches_.clear();
    current_ = -1;
}

void TextPaneSearch::Show() {
    bar_->ShowResult(current_ + 1, static_cast<int>(matches_.size()));
    if (!shownIn_) return;
    QList<QTextEdit::ExtraSelection> selections;
    for (int k = 0; k < static_cast<int>(matches_.size()); ++k) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(shownIn_->document());
        selection.cursor.setPosition(matches_[static_cast<size_t>(k)].first);
        selection.cursor.setPosition(matches_[static_cast<size_t>(k)].first + matches_[static_cast<size_t>(k)].second,
                                     QTextCursor::KeepAnchor);
        selection.format.setBackground(k == current_ ? kCurrentColour : kMatchColour);
        selections.append(selection);
    }
    shownIn_->setExtraSelections(selections);
    if (current_ >= 0) {
        QTextCursor cursor(shownIn_->document());
        cursor.setPosition(matches_[static_cast<size_t>(current_)].first);
        shownIn_->setTextCursor(cursor);
        shownIn_->ensureCursorVisible();
    }
}

}  // namespace teskchat
