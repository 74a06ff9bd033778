#include "teskchat/chat_column_list.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>

#include <algorithm>

namespace teskchat {

ChatColumnList::ChatColumnList(bool wrap, int childId, QWidget* parent)
    : QWidget(parent), wrap_(wrap), childId_(childId), font_(QWidget::font()) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    popupMenu_ = &ChatColumnList::RunPopupMenu;
    copyCaption_ = QStringLiteral("Copy");
}

int ChatColumnList::AddItem(QString text) {
    texts_.push_back(std::move(text));
    heights_.push_back(static_cast<uint16_t>(QFontMetrics(font_).height()));
    return Count() - 1;
}

void ChatColumnList::Clear() {
    texts_.clear();
    texts_.shrink_to_fit();
    heights_.clear();
    heights_.shrink_to_fit();
    topLine_ = 0;
    selected_ = -1;
    marks_.clear();
    currentMark_ = -1;
    update();
}

void ChatColumnList::SetItemHeight(int index, int height) {
    heights_[static_cast<size_t>(index)] = static_cast<uint16_t>(std::clamp(height, 1, 0xFFFF));
}

void ChatColumnList::SetTopLine(int line) {
    line = std::clamp(line, 0, std::max(0, Count() - 1));
    if (line == topLine_) return;
    topLine_ = line;
    update();
}

void ChatColumnList::SetListFont(const QFont& font) {
    font_ = font;
    setFont(font_);
    update();
}

int ChatColumnList::IndexAt(int y) const {
    if (y < 0) return -1;
    int top = 0;
    for (int i = topLine_; i < Count(); ++i) {
        top += ItemHeight(i);
        if (y < top) return i;
        if (top > height()) break;
    }
    return -1;
}

bool ChatColumnList::CopySelection() const {
    if (selected_ < 0 || selected_ >= Count()) return false;
    if (QClipboard* clipboard = QApplication::clipboard()) {
        clipboard->setText(ItemText(selected_));
        return true;
    }
    return false;
}

int ChatColumnList::RunPopupMenu(QWidget* owner, const QPoint& globalPos, const QStringList& entries) {
    QMenu menu(owner);
    QList<QAction*> actions;
    for (const QString& entry : entries) actions.push_back(menu.addAction(entry));
    // Centred horizontally on the click point.
    QPoint at(globalPos.x() - menu.sizeHint().width() / 2, globalPos.y());
    QAction* chosen = menu.exec(at);
    return chosen ? static_cast<int>(actions.indexOf(chosen)) : -1;
}

void ChatColumnList::Select(int index) {
    if (index == selected_) return;
    selected_ = index;
    update();
}

void ChatColumnList::SetMarks(std::vector<int> lines, int current) {
    std::sort(lines.begin(), lines.end());
    marks_ = std::move(lines);
    currentMark_ = current;
    update();
}

void ChatColumnList::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setFont(font_);
    painter.setPen(palette().color(QPalette::Text));
    const QRect dirty = event->rect();
    QTextOption wrapOption;
    wrapOption.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QFontMetrics metrics(font_);
    int y = 0;
    for (int i = topLine_; i < Count() && y < height(); ++i) {
        const QRect item(0, y, width(), ItemHeight(i));
        y += item.height();
        if (!item.intersects(dirty)) continue;
        painter.save();
        painter.setClipRect(item);
        if (i == currentMark_) painter.fillRect(item, QColor(255, 160, 60));
        else if (std::binary_search(marks_.begin(), marks_.end(), i)) painter.fillRect(item, QColor(255, 240, 120));
        if (wrap_) {
            painter.drawText(QRectF(item), ItemText(i), wrapOption);
        } else {
            // Names stay on one line and end with an ellipsis when they do not fit.
            QString line = ItemText(i);
            line.replace(QLatin1Char('\n'), QLatin1Char(' '));
            painter.drawText(item, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                             metrics.elidedText(line, Qt::ElideRight, item.width()));
        }
        if (i == selected_) {
            painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter.fillRect(item, Qt::black);
        }
        painter.restore();
    }
}

void ChatColumnList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        Select(IndexAt(event->position().toPoint().y()));
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (selected_ < 0) return;
        const int chosen = popupMenu_ ? popupMenu_(this, event->globalPosition().toPoint(), {copyCaption_}) : -1;
        if (chosen == 0) CopySelection();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ChatColumnList::mouseMoveEvent(QMouseEvent* event) {
    // No drag selection.
    event->accept();
}

void ChatColumnList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        event->accept();
        return;
    default:
        break;
    }
    if (event->matches(QKeySequence::Copy) ||
        (event->key() == Qt::Key_C && (event->modifiers() & Qt::ControlModifier))) {
        CopySelection();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ChatColumnList::focusOutEvent(QFocusEvent* event) {
    // The copy menu takes the focus for a moment; the selection must survive it.
    if (event->reason() != Qt::PopupFocusReason) Select(-1);
    QWidget::focusOutEvent(event);
}

}  // namespace teskchat
