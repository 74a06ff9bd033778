#pragma once
// The chat control's bitmaps by resource id.
#include <QImage>

namespace teskchat {

enum ChatBitmapId : int {
    IDB_SEND_UP = 203,
    IDB_SEND_DOWN = 209,
    IDB_SEND_DISABLED = 212,
    // The ESP window's buttons: save (a diskette), end (a cut line) and end while closing (a cross).
    IDB_ESP_SAVE_UP = 202,
    IDB_ESP_SAVE_DOWN = 207,
    IDB_ESP_END_UP = 206,
    IDB_ESP_END_DOWN = 208,
    IDB_ESP_CLOSING_UP = 210,
    IDB_ESP_CLOSING_DOWN = 211,
};

// A null image for an unknown id.
QImage ChatBitmap(int id);

}  // namespace teskchat
