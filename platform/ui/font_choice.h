#pragma once
// A font as the font dialog hands it over: face, size in points and the logical-font height.
#include <string>

namespace platform::ui {

struct FontChoice {
    std::string face;     // CP932
    int pointSize = 0;    // whole points
    int height = 0;       // logical-font height: negative = character height in pixels; 0 = use pointSize
    bool bold = false;    // weight 700
    bool italic = false;

    bool operator==(const FontChoice&) const = default;
};

// Integer a*b/c rounded to the nearest, halves away from zero; -1 when c is 0 or the result does
// not fit. The font and dialog-unit sums depend on this exact rounding.
int MulDiv(int number, int numerator, int denominator);

// -(points * dpi / 72) as the font description wants it, and back.
int PointsToHeight(int points, int dpi = 96);
int HeightToPoints(int height, int dpi = 96);

// Logical dots per inch of the screen a widget is on (the primary screen for null).
int LogicalDpiY();

}  // namespace platform::ui
