#pragma once
// The chat control's bitmaps by resource id.
#include <QImage>

namespace teskchat {

enum ChatBitmapId : int {
    IDB_SEND_UP = 203,
    IDB_SEND_DOWN = 209,
    IDB_SEND_DISABLED = 212,
};

// A null image for an unknown id.
QImage ChatBitmap(int id);

}  // namespace teskchat
