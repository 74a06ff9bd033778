#pragma once
// Where a fixed-size 3D view goes in a panel of the given size. Up to the template's width the view
// keeps its 672 x 249 pixels, centred (narrower panels cut it at both sides). A larger window
// would otherwise leave grey margins round a small picture, so there the view grows, keeping its
// shape, as far as the chat below keeps room for its log, the avatar card and the lower buttons.
#include <QRect>

namespace plexa {

inline constexpr int kFixedViewWidth = 672;
inline constexpr int kFixedViewHeight = 249;
inline constexpr int kFixedViewTop = 46;
// Height the chat keeps below a grown view: card, lower button row and a few log lines.
inline constexpr int kChatReserve = 190;

QRect FixedViewRect(int panelWidth, int panelHeight);

}  // namespace plexa
