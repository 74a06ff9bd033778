#include "teskchat/chat_log_view.h"

#include "teskchat/chat_column_list.h"
#include "teskchat/text_extent_cache.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>

#include <algorithm>

namespace teskchat {
namespace {

constexpr int kMaxItemHeight = 0xFFFF;

QString NormalizeBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

ChatLogView::ChatLogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setPageStep(1);
    horizontalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setPageStep(1);
    viewport()->setAutoFillBackground(true);
    QPalette white = viewport()->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(white);
    viewport()->setBackgroundRole(QPalette::Base);

    headerModel_ = new QStandardItemModel(0, 0, this);
    header_ = new QHeaderView(Qt::Horizontal, viewport());
    header_->setObjectName(QStringLiteral("header"));
    header_->setModel(headerModel_);
    header_->setSectionsClickable(true);
    header_->setSectionsMovable(false);
    header_->setStretchLastSection(false);
    header_->setMinimumSectionSize(0);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setGeometry(0, 0, 150, header_->sizeHint().height());
    header_->show();
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        if (!inRelayout_) Relayout(false);
    });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &ChatLogView::OnVerticalAction);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &ChatLogView::OnHorizontalAction);
}

ChatLogView::~ChatLogView() = default;

bool ChatLogView::SetColumns(const QString& avatarCaption, const QString& /*userIdCaption*/,
                             const QString& messageCaption) {
    if (columns_[0]) return true;
    headerModel_->setColumnCount(2);
    headerModel_->setHorizontalHeaderLabels({avatarCaption, messageCaption});
    inRelayout_ = true;
    header_->resizeSection(0, kInitialColumnWidth);
    header_->resizeSection(1, kInitialColumnWidth);
    header_->setFixedHeight(header_->sizeHint().height());
    inRelayout_ = false;
    for (int k = 0; k < 2; ++k) {
        auto* list = new ChatColumnList(k == 1, kFirstColumnId + k, viewport());
        list->setObjectName(k == 0 ? QStringLiteral("avatarColumn") : QStringLiteral("messageColumn"));
        // An owner-drawn list has no text a screen reader could name it by: it takes its caption.
        list->setAccessibleName(k == 0 ? avatarCaption : messageCaption);
        columns_[static_cast<size_t>(k)] = list;
        list->show();
    }
    rowHeight_ = std::max(1, QFontMetrics(columns_[1]->ListFont()).height());
    PlaceChildren();
    return true;
}

int ChatLogView::LineCount() const { return columns_[1] ? columns_[1]->Count() : 0; }

int ChatLogView::AverageCharWidth() const {
    const QFont font = columns_[1] ? columns_[1]->ListFont() : this->font();
    return std::max(1, QFontMetrics(font).averageCharWidth());
}

int ChatLogView::ColumnLeft(int k) const { return header_->sectionPosition(k); }
int ChatLogView::ColumnWidth(int k) const { return header_->sectionSize(k); }
int ChatLogView::HeaderBottom() const { return header_->height(); }

int ChatLogView::TextExtent(const QString& text) {
    if (!extentCache_) extentCache_ = std::make_unique<TextExtentCache>(columns_[1] ? columns_[1]->ListFont() : font());
    return extentCache_->Width(text);
}

void ChatLogView::MeasureExtent(int index) {
    const QString& text = columns_[1]->ItemText(index);
    int32_t& slot = extents_[static_cast<size_t>(index)];
    if (!text.contains(QLatin1Char('\n'))) {
        slot = TextExtent(text);
        return;
    }
    // Each text line of a message with line breaks wraps on its own.
    std::vector<int32_t> widths;
    for (const QString& part : text.split(QLatin1Char('\n'))) widths.push_back(TextExtent(part));
    if (slot < 0) {
        multiExtents_[static_cast<size_t>(-slot - 1)] = std::move(widths);
    } else {
        multiExtents_.push_back(std::move(widths));
        slot = -static_cast<int32_t>(multiExtents_.size());
    }
}

int ChatLogView::LineRows(int index) const {
    const int width = ColumnWidth(1);
    auto rows = [width](int32_t extent) { return width < 1 ? 1 : extent / width + 1; };
    const int32_t slot = extents_[static_cast<size_t>(index)];
    if (slot >= 0) return rows(slot);
    int total = 0;
    for (int32_t extent : multiExtents_[static_cast<size_t>(-slot - 1)]) total += rows(extent);
    return std::max(total, 1);
}

void ChatLogView::ApplyHeight(int index) {
    const int height = static_cast<int>(std::min<int64_t>(int64_t{rowHeight_} * LineRows(index), kMaxItemHeight));
    columns_[0]->SetItemHeight(index, height);
    columns_[1]->SetItemHeight(index, height);
}

int ChatLogView::ComputePage(int availableHeight) const {
    int sum = 0;
    int lines = 0;
    for (int i = LineCount() - 1; i >= 0 && sum < availableHeight; --i) {
        sum += columns_[1]->ItemHeight(i);
        ++lines;
    }
    if (sum > availableHeight) --lines;
    return std::max(lines, 1);
}

void ChatLogView::SetVerticalRange(int maxIndex, int page) {
    page_ = page;
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(page);
    bar->setRange(0, std::max(0, maxIndex - page + 1));
}

bool ChatLogView::AddLine(const QString& avatarName, const QString& /*userId*/, const QString& message) {
    if (!columns_[0]) return false;
    const int n = columns_[0]->AddItem(avatarName);
    columns_[1]->AddItem(NormalizeBreaks(message));
    extents_.push_back(0);
    MeasureExtent(n);
    ApplyHeight(n);
    const int page = ComputePage(columns_[1]->height());
    SetVerticalRange(n, page);
    // The newest line always ends up in view at the bottom, however far the user scrolled up.
    verticalScrollBar()->setValue(std::max(0, n - page + 1));
    scrollContentsBy(0, 0);
    return true;
}

void ChatLogView::RemeasureAll(bool afterResize) {
    if (!columns_[0]) return;
    const int count = LineCount();
    for (int i = 0; i < count; ++i) {
        const int height = static_cast<int>(std::min<int64_t>(int64_t{rowHeight_} * LineRows(i), kMaxItemHeight));
        columns_[0]->SetItemHeight(i, height);
        columns_[1]->SetItemHeight(i, height);
    }
    const int available = columns_[1]->height() - (afterResize ? HeaderBottom() : 0);
    SetVerticalRange(std::max(0, count - 1), ComputePage(available));
    scrollContentsBy(0, 0);
    columns_[0]->update();
    columns_[1]->update();
}

void ChatLogView::SetChatFont(const QFont& font) {
    if (!columns_[0]) return;
    columns_[0]->SetListFont(font);
    columns_[1]->SetListFont(font);
    extentCache_ = std::make_unique<TextExtentCache>(columns_[1]->ListFont());
    rowHeight_ = std::max(1, extentCache_->Metrics().height());
    for (int i = 0; i < LineCount(); ++i) MeasureExtent(i);
    RemeasureAll(false);
    SetHorizontalRange();
    horizontalScrollBar()->setValue(0);
    hPos_ = 0;
    PlaceChildren();
}

void ChatLogView::SetHorizontalRange() {
    const int a = AverageCharWidth();
    const int maxPos = header_->width() / a - 1;
    const int page = std::max(1, viewport()->width() / a);
    QScrollBar* bar = horizontalScrollBar();
    bar->setPageStep(page);
    // Shrinking the range pulls a position beyond the new maximum back to it.
    bar->setRange(0, std::max(0, maxPos - page + 1));
    hPos_ = bar->value();
}

void ChatLogView::ResizeColumns(int clientWidth) {
    if (!columns_[0]) return;
    // Hidden, the viewport may not have its final width yet: the first resize once shown redoes this.
    columnsStale_ = !isVisible();
    inRelayout_ = true;
    header_->resizeSection(0, clientWidth / 4);
    header_->resizeSection(1, (clientWidth / 4) * 3);
    inRelayout_ = false;
    Relayout(true);
}

void ChatLogView::Relayout(bool afterResize) {
    if (!columns_[0]) return;
    inRelayout_ = true;
    const int widest = QFontMetrics(columns_[1]->ListFont()).maxWidth();
    if (ColumnWidth(1) < widest) header_->resizeSection(1, widest);
    inRelayout_ = false;
    header_->resize(std::max(ColumnLeft(1) + ColumnWidth(1), viewport()->width()), header_->height());
    SetHorizontalRange();
    PlaceChildren();
    RemeasureAll(afterResize);
    viewport()->update();
}

void ChatLogView::PlaceChildren() {
    const int shift = hPos_ * AverageCharWidth();
    const int headerWidth = std::max(ColumnLeft(1) + ColumnWidth(1), viewport()->width());
    header_->setGeometry(-shift, 0, std::max(headerWidth, 1), header_->height());
    if (!columns_[0]) return;
    const int listHeight = std::max(0, viewport()->height() - HeaderBottom());
    for (int k = 0; k < 2; ++k) {
        columns_[static_cast<size_t>(k)]->setGeometry(ColumnLeft(k) - shift, HeaderBottom(), ColumnWidth(k), listHeight);
    }
}

void ChatLogView::SetSearchMarks(const std::vector<int>& lines, int current) {
    for (ChatColumnList* column : columns_)
        if (column) column->SetMarks(lines, current);
}

void ChatLogView::ShowLine(int index) {
    if (index < 0 || index >= LineCount()) return;
    // The page counts whole lines from the top; a line below it becomes the last one shown.
    if (index < topLine_) verticalScrollBar()->setValue(index);
    else if (index >= topLine_ + page_) verticalScrollBar()->setValue(std::max(0, index - page_ + 1));
}

void ChatLogView::Clear() {
    if (!columns_[0]) return;
    columns_[0]->Clear();
    columns_[1]->Clear();
    extents_.clear();
    extents_.shrink_to_fit();
    multiExtents_.clear();
    multiExtents_.shrink_to_fit();
    SetVerticalRange(0, 1);
    topLine_ = 0;
    verticalScrollBar()->setValue(0);
}

void ChatLogView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    topLine_ = verticalScrollBar()->value();
    if (columns_[0]) {
        columns_[0]->SetTopLine(topLine_);
        columns_[1]->SetTopLine(topLine_);
    }
    if (hPos_ != horizontalScrollBar()->value()) {
        hPos_ = horizontalScrollBar()->value();
        PlaceChildren();
        viewport()->update();
    }
}

bool ChatLogView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize && columns_[0]) {
        // A view resized while hidden had its columns set for the width its viewport had before;
        // the real width is known only now.
        if (columnsStale_ && isVisible()) ResizeColumns(viewport()->width());
        // The horizontal bar coming or going changes the height the columns get.
        PlaceChildren();
        SetVerticalRange(std::max(0, LineCount() - 1), ComputePage(columns_[1]->height()));
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void ChatLogView::OnVerticalAction(int action) {
    if (!columns_[0]) return;
    QScrollBar* bar = verticalScrollBar();
    const int available = columns_[1]->height();
    const int lastIndex = std::max(0, LineCount() - 1);
    if (action == QAbstractSlider::SliderPageStepAdd) {
        int sum = 0;
        int lines = 0;
        for (int i = topLine_; i <= lastIndex && i < LineCount() && sum < available; ++i) {
            sum += columns_[1]->ItemHeight(i);
            ++lines;
        }
        bar->setSliderPosition(topLine_ + std::max(1, lines - 2));
    } else if (action == QAbstractSlider::SliderPageStepSub) {
        int sum = 0;
        int lines = 0;
        for (int i = topLine_; i >= 0 && i < LineCount() && sum < available; --i) {
            sum += columns_[1]->ItemHeight(i);
            ++lines;
        }
        bar->setSliderPosition(topLine_ - std::max(1, lines - 2));
    }
}

void ChatLogView::OnHorizontalAction(int action) {
    QScrollBar* bar = horizontalScrollBar();
    if (action == QAbstractSlider::SliderPageStepAdd) {
        bar->setSliderPosition(hPos_ + std::max(1, bar->pageStep() / 2));
    } else if (action == QAbstractSlider::SliderPageStepSub) {
        bar->setSliderPosition(hPos_ - std::max(1, bar->pageStep() / 2));
    }
}

}  // namespace teskchat
