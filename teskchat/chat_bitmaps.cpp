#include "teskchat/chat_bitmaps.h"

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

}  // namespace

QImage ChatBitmap(int id) {
    switch (id) {
    case IDB_SEND_UP: return QImage(kSendUp);
    case IDB_SEND_DOWN: return QImage(kSendDown);
    case IDB_SEND_DISABLED: return QImage(kSendDisabled);
    default: return QImage();
    }
}

}  // namespace teskchat
