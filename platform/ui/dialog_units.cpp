#include "platform/ui/dialog_units.h"

#include "platform/ui/font_choice.h"

#include <QFontMetrics>

namespace platform::ui {

DialogUnits::DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

DialogUnits DialogUnits::Standard() {
    // The face's 9 pt cell at 96 DPI is 12 px tall and its Latin letters average 6 px.
    return DialogUnits(6, 12);
}

DialogUnits DialogUnits::ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogUnits((width / 26 + 1) / 2, metrics.height());
}

int DialogUnits::X(int dialogUnits) const { return MulDiv(dialogUnits, m_baseX, 4); }

int DialogUnits::Y(int dialogUnits) const { return MulDiv(dialogUnits, m_baseY, 8); }

QRect DialogUnits::MapRect(int x, int y, int width, int height) const {
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

QSize DialogUnits::MapSize(int width, int height) const { return QSize(X(width), Y(height)); }

void InstallFontSubstitutions() {
    const QString proportional = QStringLiteral("VL PGothic");
    const QString fixed = QStringLiteral("VL Gothic");
    for (const char* face : {"ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic", "MS Shell Dlg", "MS Sans Serif"})
        QFont::insertSubstitution(QString::fromUtf8(face), proportional);
    for (const char* face : {"ＭＳ ゴシック", "MS Gothic"}) QFont::insertSubstitution(QString::fromUtf8(face), fixed);
}

QFont DialogFont() {
    QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"));
    font.setPointSize(9);
    return font;
}

}  // namespace platform::ui
