#include "host/container/moneko_window.h"

#include "platform/com/module_loader.h"
#include "platform/com/testmodule/test_ids.h"
#include "platform/registry/registry_test_env.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

namespace com = platform::com;

class MonekoWindowTest : public platform::registry::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        const char* bin = std::getenv("MONEKO_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        ASSERT_EQ(com::RegisterModuleFile(std::string(bin) + "/testmodule.ocx"), com::S_OK);
    }
};

TEST_F(MonekoWindowTest, HostsTheControlFillingTheWindow) {
    MonekoWindow window;
    QString error;
    ASSERT_EQ(window.Open(moneko_test::kControlProgId, {}, &error), MonekoWindow::OpenResult::Opened)
        << error.toStdString();
    window.show();
    QWidget* control = window.ControlWindow();
    ASSERT_NE(control, nullptr);
    window.resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(control->width(), 900);
    EXPECT_EQ(control->height(), 700 - window.menuBar()->height());

    com::Variant sum;
    ASSERT_EQ(window.Site()->Call(moneko_test::kAdd, {com::Variant::I4(2), com::Variant::I4(3)}, &sum), com::S_OK);
    EXPECT_EQ(sum, com::Variant::I4(5));
}

TEST_F(MonekoWindowTest, ReportsAnUnregisteredControlAndAFailedStart) {
    MonekoWindow window;
    QString error;
    EXPECT_EQ(window.Open("NOPE.NopeCtrl.1", {}, &error), MonekoWindow::OpenResult::NotRegistered);
    EXPECT_TRUE(error.contains("moneko-setup"));
    EXPECT_EQ(window.ControlWindow(), nullptr);
}

TEST_F(MonekoWindowTest, FirstStartOpensLargeEnoughAndTheSizeIsRememberedForTheNext) {
    QTemporaryDir dir;
    const WindowGeometryStore store(dir.filePath("window.conf"));
    {
        MonekoWindow window;
        window.SetGeometryStore(store);
        QString error;
        ASSERT_EQ(window.Open(moneko_test::kControlProgId, {}, &error), MonekoWindow::OpenResult::Opened);
        window.show();
        EXPECT_GE(window.width(), 800);
        EXPECT_GE(window.height(), 600);
        // The world's window never gets smaller than its layout is made for.
        window.resize(300, 200);
        QApplication::processEvents();
        EXPECT_GE(window.ControlWindow()->width(), MonekoWindow::kMinimumControlSize.width());
        EXPECT_GE(window.ControlWindow()->height(), MonekoWindow::kMinimumControlSize.height());
        window.resize(1000, 720);
        window.close();
    }
    MonekoWindow again;
    again.SetGeometryStore(store);
    QString error;
    ASSERT_EQ(again.Open(moneko_test::kControlProgId, {}, &error), MonekoWindow::OpenResult::Opened);
    EXPECT_EQ(again.size(), QSize(1000, 720));
}

TEST_F(MonekoWindowTest, F11TogglesFullScreenWithoutTheMenuBarAndBack) {
    MonekoWindow window;
    QString error;
    ASSERT_EQ(window.Open(moneko_test::kControlProgId, {}, &error), MonekoWindow::OpenResult::Opened);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.FullScreenAction()->shortcut(), QKeySequence(Qt::Key_F11));
    window.FullScreenAction()->trigger();
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_FALSE(window.menuBar()->isVisible());
    // The key still works with the menu bar gone: the action lives on the window as well.
    EXPECT_TRUE(window.actions().contains(window.FullScreenAction()));
    window.FullScreenAction()->trigger();
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_TRUE(window.menuBar()->isVisible());

    // Esc leaves full screen too, and is nobody's key in the window otherwise.
    EXPECT_FALSE(window.LeaveFullScreenAction()->isEnabled());
    window.FullScreenAction()->trigger();
    ASSERT_TRUE(window.isFullScreen());
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_FALSE(window.FullScreenAction()->isChecked());
    EXPECT_TRUE(window.menuBar()->isVisible());
    EXPECT_FALSE(window.LeaveFullScreenAction()->isEnabled());

    // Full screen ended by the window manager: the menu entry and the menu bar follow.
    window.FullScreenAction()->trigger();
    window.showNormal();
    QApplication::processEvents();
    EXPECT_FALSE(window.FullScreenAction()->isChecked());
    EXPECT_TRUE(window.menuBar()->isVisible());
}

TEST_F(MonekoWindowTest, CommandMenuListsTheControlsCommandsByGroup) {
    MonekoWindow window;
    QString error;
    ASSERT_EQ(window.Open(moneko_test::kControlProgId, {}, &error), MonekoWindow::OpenResult::Opened);
    QWidget* control = window.ControlWindow();
    auto* inner = new QWidget(control);
    auto add = [](QWidget* owner, const char* text, const char* group) {
        auto* action = new QAction(QString::fromUtf8(text), owner);
        if (group) action->setProperty("menuGroup", QString::fromLatin1(group));
        owner->addAction(action);
        return action;
    };
    QAction* region = add(control, "リージョン変更", "world");
    QAction* list = add(inner, "一覧", "people");
    QAction* gesture = add(inner, "動作 1", "gestures");
    add(inner, "not a command", nullptr);
    window.RefreshCommandMenu();

    const QList<QAction*> entries = window.CommandMenu()->actions();
    ASSERT_EQ(entries.size(), 4);  // region, separator, list, gesture submenu
    EXPECT_EQ(entries[0], region);
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_EQ(entries[2], list);
    ASSERT_NE(entries[3]->menu(), nullptr);
    EXPECT_EQ(entries[3]->menu()->actions(), QList<QAction*>{gesture});
    // Refreshing again does not list anything twice.
    window.RefreshCommandMenu();
    EXPECT_EQ(window.CommandMenu()->actions().size(), 4);
}

}  // namespace
