#pragma once
// Dialog units -> pixels. A dialog unit is a quarter of the dialog font's average character width
// horizontally and an eighth of its height vertically; each coordinate maps with MulDiv rounding.
#include <QFont>
#include <QRect>

namespace platform::ui {

class DialogUnits {
public:
    // Base units (average character width, character height) in pixels.
    DialogUnits(int baseX, int baseY);

    // The dialog font of every dialog: "ＭＳ Ｐゴシック" 9 pt at 96 DPI, whose base units are 6 x 12.
    static DialogUnits Standard();
    // Base units measured from a font as the framework measured them: the width of the 52 Latin
    // letters, halved and rounded ((w / 26 + 1) / 2), and the font's height.
    static DialogUnits ForFont(const QFont& font);

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    int X(int dialogUnits) const;
    int Y(int dialogUnits) const;
    // Maps left/top/right/bottom each, as the platform does, so adjacent rectangles stay adjacent.
    QRect MapRect(int x, int y, int width, int height) const;
    QSize MapSize(int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

// Maps the Windows face names the dialogs ask for to the Japanese fonts installed here.
// Call once after the QApplication exists.
void InstallFontSubstitutions();
// "ＭＳ Ｐゴシック" 9 pt, the font of every dialog.
QFont DialogFont();

}  // namespace platform::ui
