#include "teskchat/esp_tab_ctrl.h"

#include "platform/text/carried_text.h"
#include "platform/text/cp932.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionTab>

namespace teskchat {

const QColor EspTabCtrl::kSelectedColor{0, 0, 255};
const QColor EspTabCtrl::kNormalColor{0, 0, 0};
const QColor EspTabCtrl::kMarkedColor{255, 0, 0};

namespace {

QFont PlainWeight(QFont font) {
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

}  // namespace

EspTabCtrl::EspTabCtrl(QWidget* parent) : QTabBar(parent) {
    setObjectName(QStringLiteral("EspTabCtrl"));
    setExpanding(false);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
    setDrawBase(true);
    selectedFont_ = PlainWeight(font());
    normalFont_ = selectedFont_;
    markedFont_ = selectedFont_;
}

std::string EspTabCtrl::CutToBytes(std::string_view text, size_t maxBytes) {
    return std::string(text.substr(0, platform::CarriedPrefixLength(text, maxBytes)));
}

void EspTabCtrl::InsertTab(int position, const std::string& label, int16_t clientId) {
    position = std::clamp(position, 0, count());
    labels_.insert(labels_.begin() + position, label);
    insertTab(position, platform::ShownText(ReadLabel(position)));
    setTabData(position, static_cast<int>(clientId));
    setTabToolTip(position, platform::ShownText(label));
}

void EspTabCtrl::RemoveTab(int position) {
    if (position < 0 || position >= count()) return;
    labels_.erase(labels_.begin() + position);
    removeTab(position);
}

void EspTabCtrl::RemoveAllTabs() {
    while (count() > 0) RemoveTab(count() - 1);
}

const std::string& EspTabCtrl::Label(int position) const {
    static const std::string kNone;
    return position >= 0 && position < static_cast<int>(labels_.size()) ? labels_[position] : kNone;
}

std::string EspTabCtrl::ReadLabel(int position) const { return CutToBytes(Label(position), kLabelReadBytes); }

int16_t EspTabCtrl::ClientIdAt(int position) const {
    const QVariant data = tabData(position);
    return data.isValid() ? static_cast<int16_t>(data.toInt()) : int16_t{-1};
}

QColor EspTabCtrl::LabelColor(int position) const {
    if (position == currentIndex()) return kSelectedColor;
    return IsMarked(position) ? kMarkedColor : kNormalColor;
}

QSize EspTabCtrl::tabSizeHint(int index) const {
    const QFontMetrics metrics(normalFont_);
    const int width = metrics.horizontalAdvance(tabText(index)) + 16;
    return {std::max(width, 32), metrics.height() + 8};
}

void EspTabCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int edge = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const QColor face = palette().color(QPalette::Button);
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
    for (int i = 0; i < count(); ++i) {
        QRect r = tabRect(i);
        if (!r.isValid()) continue;
        const bool current = i == currentIndex();
        QRect fill = r.adjusted(0, edge, 0, 0);
        p.fillRect(fill, face);
        // A raised outline; the current tab stands a little taller and open towards the page.
        p.setPen(palette().color(QPalette::Light));
        const QRect outline = current ? r : fill;
        p.drawLine(outline.topLeft(), outline.topRight());
        p.drawLine(outline.topLeft(), outline.bottomLeft());
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(outline.topRight(), outline.bottomRight());
        if (current) {
            p.setPen(face);
            p.drawLine(r.left() + 1, r.bottom(), r.right() - 1, r.bottom());
        }
        p.setPen(LabelColor(i));
        if (current) {
            p.setFont(selectedFont_);
            p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, tabText(i));
        } else {
            p.setFont(IsMarked(i) ? markedFont_ : normalFont_);
            p.drawText(fill.adjusted(0, 0, 0, -2), Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, tabText(i));
        }
    }
    if (hasFocus() && currentIndex() >= 0) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = tabRect(currentIndex()).adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

}  // namespace teskchat
