#include "platform/ui/font_choice.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdint>
#include <limits>

namespace platform::ui {

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const int64_t product = static_cast<int64_t>(number) * numerator;
    const int64_t absProduct = product < 0 ? -product : product;
    const int64_t absDenominator = denominator < 0 ? -static_cast<int64_t>(denominator) : denominator;
    int64_t quotient = (absProduct + absDenominator / 2) / absDenominator;
    if ((product < 0) != (denominator < 0)) quotient = -quotient;
    if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(quotient);
}

int PointsToHeight(int points, int dpi) { return -MulDiv(points, dpi, 72); }

int HeightToPoints(int height, int dpi) { return -MulDiv(height, 72, dpi); }

int LogicalDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 96;
    return static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
}

}  // namespace platform::ui
