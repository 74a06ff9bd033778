#include "platform/ui/dialog_units.h"
#include "platform/ui/font_choice.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace platform::ui {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroAndRefusesWhatItCannotDo) {
    EXPECT_EQ(MulDiv(405, 6, 4), 608);    // 607.5
    EXPECT_EQ(MulDiv(-405, 6, 4), -608);
    EXPECT_EQ(MulDiv(405, -6, 4), -608);
    EXPECT_EQ(MulDiv(10, 96, 72), 13);    // 13.33
    EXPECT_EQ(MulDiv(-13, 72, 96), -10);  // -9.75
    EXPECT_EQ(MulDiv(7, 1, 2), 4);
    EXPECT_EQ(MulDiv(7, 1, -2), -4);
    EXPECT_EQ(MulDiv(5, 0, 3), 0);
    EXPECT_EQ(MulDiv(5, 3, 0), -1);
    // The product does not fit in 32 bits, the result does.
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);
}

TEST(FontHeights, PointsAndHeightsAsTheFontDialogUsesThem) {
    EXPECT_EQ(PointsToHeight(10), -13);
    EXPECT_EQ(HeightToPoints(-13), 10);
    EXPECT_EQ(PointsToHeight(9), -12);
    EXPECT_EQ(PointsToHeight(10, 120), -17);
    // Every whole size survives the trip through the height at 96 DPI.
    for (int points = 1; points <= 72; ++points) EXPECT_EQ(HeightToPoints(PointsToHeight(points)), points) << points;
    EXPECT_EQ(LogicalDpiY(), 96);
}

TEST(DialogUnits, StandardDialogFontMapsTemplatesToPixels) {
    const DialogUnits units = DialogUnits::Standard();
    EXPECT_EQ(units.MapSize(405, 303), QSize(608, 455));
    // A 50 x 14 button at (7, 145): each edge rounds on its own.
    EXPECT_EQ(units.MapRect(7, 145, 50, 14), QRect(11, 218, 75, 21));
    // Neighbouring template rectangles stay edge to edge in pixels.
    const QRect left = units.MapRect(7, 7, 45, 9);
    const QRect right = units.MapRect(52, 7, 45, 9);
    EXPECT_EQ(left.right() + 1, right.left());
    EXPECT_EQ(units.X(0), 0);
    EXPECT_EQ(units.Y(-8), -12);
}

TEST(DialogUnits, MeasuresAFontTheWayTheFrameworkDid) {
    InstallFontSubstitutions();
    const QFont font = DialogFont();
    EXPECT_EQ(QFontInfo(font).family(), "VL PGothic");
    EXPECT_EQ(QFontInfo(font).pixelSize(), 12);

    QFont wide("DejaVu Sans Mono");
    wide.setPixelSize(20);
    const DialogUnits mono = DialogUnits::ForFont(wide);
    // 52 letters of one advance w: (52w / 26 + 1) / 2 = w rounded half up.
    const int advance = QFontMetrics(wide).horizontalAdvance(QLatin1Char('M'));
    EXPECT_EQ(mono.BaseX(), (52 * advance / 26 + 1) / 2);
    EXPECT_EQ(mono.BaseY(), QFontMetrics(wide).height());
    EXPECT_EQ(mono.X(4), mono.BaseX());
    EXPECT_EQ(mono.Y(8), mono.BaseY());
}

}  // namespace
}  // namespace platform::ui
