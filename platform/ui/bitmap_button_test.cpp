#include "platform/ui/bitmap_button.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace platform::ui {
namespace {

QImage Solid(QColor colour, QSize size = QSize(32, 32)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The colour the button actually paints in its middle.
QColor Painted(BitmapButton& button) { return button.grab().toImage().pixelColor(button.width() / 2, button.height() / 2); }

class BitmapButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 100);
        button = new BitmapButton(&window);
        other = new BitmapButton(&window);
        other->move(100, 0);
    }
    QWidget window;
    BitmapButton* button = nullptr;
    BitmapButton* other = nullptr;
};

TEST_F(BitmapButtonTest, DrawsTheImageOfItsState) {
    button->LoadBitmaps(Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue), Solid(Qt::gray));
    button->SizeToContent();
    EXPECT_EQ(button->size(), QSize(32, 32));
    EXPECT_EQ(Painted(*button), QColor(Qt::red));

    button->setDown(true);
    EXPECT_EQ(button->CurrentFace(), BitmapButton::Face::Down);
    EXPECT_EQ(Painted(*button), QColor(Qt::green));
    button->setDown(false);

    button->setEnabled(false);
    EXPECT_EQ(button->CurrentFace(), BitmapButton::Face::Disabled);
    EXPECT_EQ(Painted(*button), QColor(Qt::gray));
    button->setEnabled(true);

    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    button->setFocus();
    EXPECT_EQ(button->CurrentFace(), BitmapButton::Face::Focus);
    EXPECT_EQ(Painted(*button), QColor(Qt::blue));
    other->setFocus();
    EXPECT_EQ(Painted(*button), QColor(Qt::red));
}

TEST_F(BitmapButtonTest, MissingImagesFallBackToTheUpImage) {
    button->LoadBitmaps(Solid(Qt::red), Solid(Qt::green));
    EXPECT_EQ(button->ImageFor(BitmapButton::Face::Focus), button->ImageFor(BitmapButton::Face::Up));
    EXPECT_EQ(button->ImageFor(BitmapButton::Face::Disabled), button->ImageFor(BitmapButton::Face::Up));
    EXPECT_EQ(button->ImageFor(BitmapButton::Face::Down).pixelColor(0, 0), QColor(Qt::green));
    button->SizeToContent();
    button->setEnabled(false);
    EXPECT_EQ(Painted(*button), QColor(Qt::red));

    // Reloading replaces every image: the old down image does not linger.
    button->LoadBitmaps(Solid(Qt::yellow, QSize(16, 16)));
    EXPECT_EQ(button->ImageFor(BitmapButton::Face::Down).pixelColor(0, 0), QColor(Qt::yellow));
    EXPECT_EQ(button->sizeHint(), QSize(16, 16));
}

TEST_F(BitmapButtonTest, SpaceAndEnterClickTheFocusedButtonButNotADisabledOne) {
    button->LoadBitmaps(Solid(Qt::red));
    button->SizeToContent();
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    EXPECT_EQ(clicks.count(), 3);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 4);
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 4);
}

TEST_F(BitmapButtonTest, IsAnAccessibleButtonWithTheNameItIsGiven) {
    button->setAccessibleName(QString::fromUtf8("リージョン変更"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf8("リージョン変更"));
}

}  // namespace
}  // namespace platform::ui
