#include "host/container/moneko_window.h"

#include "platform/com/module_loader.h"
#include "platform/com/testmodule/test_ids.h"
#include "platform/registry/registry_test_env.h"

#include <QApplication>
#include <QMenuBar>
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

}  // namespace
