// The window a view draws into: what the screen shows, and the input it hands to the view.
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Shown away from the corner where other tests' windows open on the same display, on top, so
// what the screen holds there is this window's.
void ShowApart(QWidget& window) {
    window.move(900, 720);
    ShowForTest(&window, 320, 240);
    window.raise();
}

// The view's pixels as the X server has them.
QImage OnScreen(QWidget& view) {
    const QPoint at = view.mapToGlobal(QPoint(0, 0));
    return view.screen()->grabWindow(0, at.x(), at.y(), view.width(), view.height()).toImage();
}

bool FrameShown(CoinView& view) {
    QSignalSpy shown(&view, &CoinView::FrameShown);
    view.RequestFrame();
    return QTest::qWaitFor([&] { return shown.count() > 0; }, 3000);
}

TEST(SceneWindowTest, TheScreenShowsTheFrameWithDepthWhateverFormatTheHostAsked) {
    // A host that sets no format of its own asks for no depth buffer.
    const QSurfaceFormat hostFormat = QSurfaceFormat::defaultFormat();
    QSurfaceFormat bare;
    bare.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(bare);
    QTemporaryDir dir;
    VrmlView view;
    QSurfaceFormat::setDefaultFormat(hostFormat);
    ASSERT_EQ(view.LoadVrmlFile(WriteWorld(dir.path(), "plates.wrl", kPlatesWorld)), 1);
    ShowApart(view);
    ASSERT_TRUE(FrameShown(view));
    const QImage screen = OnScreen(view);
    const QColor middle = screen.pixelColor(screen.width() / 2, screen.height() / 2);
    EXPECT_GT(middle.green(), 200) << middle.name().toStdString();
    EXPECT_LT(middle.red(), 40) << middle.name().toStdString();
    // And what the screen shows is what a grab of the view gives.
    const QImage frame = Frame(&view).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(frame.size(), screen.size());
    EXPECT_LT(DifferentPixels(screen.convertToFormat(QImage::Format_RGB32), frame), screen.width() * screen.height() / 100);
    // A grab of the window the view is in holds the frame too.
    const QImage grabbed = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(DifferentPixels(grabbed, frame), frame.width() * frame.height() / 100);
}

TEST(SceneWindowTest, AViewMovedToAnotherWindowGoesOnShowingItsScene) {
    QTemporaryDir dir;
    QWidget first, second;
    auto* view = new VrmlView(&first);
    ASSERT_EQ(view->LoadVrmlFile(WriteWorld(dir.path(), "plates.wrl", kPlatesWorld)), 1);
    view->resize(320, 240);
    ShowForTest(&first, 320, 240);
    ASSERT_TRUE(FrameShown(*view));

    view->setParent(&second);
    view->show();
    ShowApart(second);
    first.hide();
    ASSERT_TRUE(FrameShown(*view));
    const QImage screen = OnScreen(*view);
    const QColor middle = screen.pixelColor(screen.width() / 2, screen.height() / 2);
    EXPECT_GT(middle.green(), 200) << middle.name().toStdString();
}

TEST(SceneWindowTest, PressesAndDragsOnTheSceneReachTheViewUnlessItIsDisabled) {
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    auto* field = new QLineEdit;
    auto* view = new VrmlView;
    layout->addWidget(field);
    layout->addWidget(view, 1);
    ASSERT_EQ(view->LoadVrmlFile(TestDataPath("room.wrl")), 1);
    ShowForTest(&host, 320, 300);
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    QWindow* surface = view->Surface();
    ASSERT_TRUE(surface && surface->isExposed());
    const QPoint centre(view->width() / 2, view->height() / 2);

    const SbRotation before = view->Camera()->orientation.getValue();
    QTest::mousePress(surface, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(view->hasFocus()) << "a press on the scene gives the view the keyboard";
    for (int step = 1; step <= 5; ++step) QTest::mouseMove(surface, centre + QPoint(step * 8, 0));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, centre + QPoint(40, 0));
    const SbRotation turned = view->Camera()->orientation.getValue();
    EXPECT_FALSE(turned.equals(before, 1e-4f)) << "a drag sideways turns the view";

    view->setEnabled(false);
    QTest::mousePress(surface, Qt::LeftButton, {}, centre);
    for (int step = 1; step <= 5; ++step) QTest::mouseMove(surface, centre - QPoint(step * 8, 0));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, centre - QPoint(40, 0));
    EXPECT_TRUE(view->Camera()->orientation.getValue().equals(turned, 1e-6f));
}

TEST(SceneWindowTest, ANoticeShowsOverTheScene) {
    QTemporaryDir dir;
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(WriteWorld(dir.path(), "refusing.wrl",
        "#VRML V2.0 utf8\n"
        "Viewpoint { position 0 0 6 }\n"
        "Anchor { url \"../elsewhere.wrl\" children Shape { geometry Box { size 1 1 1 } } }\n")), 1);
    ShowApart(view);
    QTest::mouseClick(view.Surface(), Qt::LeftButton, {}, QPoint(view.width() / 2, view.height() / 2));
    auto* notice = view.findChild<QLabel*>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice || (notice = view.findChild<QLabel*>()); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notice->isVisible(); }));
    ASSERT_TRUE(FrameShown(view));
    RunEvents(100);
    // The scene is black where the notice is; its white letters must be on screen.
    if (qEnvironmentVariableIsSet("MONEKO_SCREENSHOT_DIR")) {
        OnScreen(view).save(qEnvironmentVariable("MONEKO_SCREENSHOT_DIR") + "/notice-over-scene.png");
    }
    const QImage screen = OnScreen(view).copy(notice->geometry());
    int letters = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x) letters += qGray(screen.pixel(x, y)) > 180;
    EXPECT_GT(letters, 20) << notice->text().toStdString();
}

}  // namespace
