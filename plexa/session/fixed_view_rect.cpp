#include "plexa/session/fixed_view_rect.h"

#include <algorithm>

namespace plexa {

QRect FixedViewRect(int W, int H) {
    const QRect base(W / 2 - kFixedViewWidth / 2, kFixedViewTop, kFixedViewWidth, kFixedViewHeight);
    // Scale in thousandths so the result does not depend on floating-point rounding.
    const int byWidth = (W - 16) * 1000 / kFixedViewWidth;
    const int byHeight = (H - kFixedViewTop - kChatReserve) * 1000 / kFixedViewHeight;
    const int scale = std::min(byWidth, byHeight);
    if (scale <= 1000) return base;
    const int w = kFixedViewWidth * scale / 1000;
    const int h = kFixedViewHeight * scale / 1000;
    return QRect((W - w) / 2, kFixedViewTop, w, h);
}

}  // namespace plexa
