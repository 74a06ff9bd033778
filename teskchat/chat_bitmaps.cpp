#include "teskchat/chat_bitmaps.h"

#include <QPainter>

namespace teskchat {
namespace {

// 16 x 16 button faces: a return arrow on a raised, sunken or greyed button.
const char* const kSendUp[] = {
    "16 16 5 1",
    "  c #C0C0C0",
    ". c #FFFFFF",
    "+ c #808080",
    "@ c #000000",
    "# c #000000",
    "...............@",
    ".             +@",
    ".             +@",
    ".         ##  +@",
    ".         ##  +@",
    ".     ##  ##  +@",
    ".    ###  ##  +@",
    ".   ####  ##  +@",
    ".  #########  +@",
    ".  #########  +@",
    ".   ####      +@",
    ".    ###      +@",
    ".     ##      +@",
    ".             +@",
    ".++++++++++++++@",
    "@@@@@@@@@@@@@@@@"
};
const char* const kSendDown[] = {
    "16 16 5 1",
    "  c #C0C0C0",
    ". c #FFFFFF",
    "+ c #808080",
    "@ c #000000",
    "# c #000000",
    "@@@@@@@@@@@@@@@.",
    "@++++++++++++++.",
    "@+             .",
    "@+             .",
    "@+         ##  .",
    "@+         ##  .",
    "@+     ##  ##  .",
    "@+    ###  ##  .",
    "@+   ####  ##  .",
    "@+  #########  .",
    "@+  #########  .",
    "@+   ####      .",
    "@+    ###      .",
    "@+     ##      .",
    "@+             .",
    "................"
};
const char* const kSendDisabled[] = {
    "16 16 5 1",
    "  c #C0C0C0",
    ". c #FFFFFF",
    "+ c #808080",
    "@ c #000000",
    "# c #000000",
    "...............@",
    ".             +@",
    ".             +@",
    ".         ++  +@",
    ".         ++. +@",
    ".     ++  ++. +@",
    ".    +++. ++. +@",
    ".   ++++. ++. +@",
    ".  +++++++++. +@",
    ".  +++++++++. +@",
    ".   ++++..... +@",
    ".    +++.     +@",
    ".     ++.     +@",
    ".      ..     +@",
    ".++++++++++++++@",
    "@@@@@@@@@@@@@@@@"
};

enum class Glyph { Diskette, CutLine, Cross };

// A 16 x 16 button face, raised or pressed, with a glyph drawn on it.
QImage ButtonFace(Glyph glyph, bool pressed) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter p(&image);
    const QColor light(0xFF, 0xFF, 0xFF), shadow(0x80, 0x80, 0x80), dark(0, 0, 0);
    p.setPen(pressed ? dark : light);
    p.drawLine(0, 0, 14, 0);
    p.drawLine(0, 0, 0, 14);
    p.setPen(pressed ? light : dark);
    p.drawLine(0, 15, 15, 15);
    p.drawLine(15, 0, 15, 15);
    p.setPen(shadow);
    if (pressed) {
        p.drawLine(1, 1, 14, 1);
        p.drawLine(1, 1, 1, 14);
    } else {
        p.drawLine(1, 14, 14, 14);
        p.drawLine(14, 1, 14, 14);
    }
    p.translate(pressed ? 1 : 0, pressed ? 1 : 0);
    switch (glyph) {
    case Glyph::Diskette:
        p.fillRect(3, 3, 10, 10, dark);
        p.fillRect(5, 3, 6, 4, light);          // label
        p.fillRect(5, 9, 6, 4, shadow);         // shutter
        p.fillRect(9, 10, 1, 2, dark);
        break;
    case Glyph::CutLine:
        p.setPen(dark);
        for (int x = 3; x <= 12; x += 3) p.drawLine(x, 8, x + 1, 8);  // the dotted line
        p.drawEllipse(3, 3, 3, 3);                                     // the scissors
        p.drawEllipse(3, 10, 3, 3);
        p.drawLine(6, 5, 12, 11);
        p.drawLine(6, 11, 12, 5);
        break;
    case Glyph::Cross:
        p.setPen(QPen(QColor(0xC0, 0, 0), 2));
        p.drawLine(4, 4, 11, 11);
        p.drawLine(4, 11, 11, 4);
        break;
    }
    return image;
}

}  // namespace

QImage ChatBitmap(int id) {
    switch (id) {
    case IDB_SEND_UP: return QImage(kSendUp);
    case IDB_SEND_DOWN: return QImage(kSendDown);
    case IDB_SEND_DISABLED: return QImage(kSendDisabled);
    case IDB_ESP_SAVE_UP: return ButtonFace(Glyph::Diskette, false);
    case IDB_ESP_SAVE_DOWN: return ButtonFace(Glyph::Diskette, true);
    case IDB_ESP_END_UP: return ButtonFace(Glyph::CutLine, false);
    case IDB_ESP_END_DOWN: return ButtonFace(Glyph::CutLine, true);
    case IDB_ESP_CLOSING_UP: return ButtonFace(Glyph::Cross, false);
    case IDB_ESP_CLOSING_DOWN: return ButtonFace(Glyph::Cross, true);
    default: return QImage();
    }
}

}  // namespace teskchat
