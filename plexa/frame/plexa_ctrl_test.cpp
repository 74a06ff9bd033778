#include "plexa/frame/plexa_ctrl.h"

#include "platform/text/cp932.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "plexa/frame/plexa_ids.h"
#include "plexa/frame/plexa_prop_page.h"

#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

namespace plexa {
namespace {

namespace com = platform::com;
using platform::ui::RecordingModalSeam;

// What the control did to its panel; outlives the panel, which the control owns.
struct PanelLog {
    std::vector<std::string> loads;
    int32_t loadResult = 1;
    std::string urlAtCreate;
    int shutdowns = 0;
    bool windowAliveAtShutdown = false;
    QPointer<QWidget> window;
    std::string* url = nullptr;
};

class RecordingPanel : public PlexaPanel {
public:
    explicit RecordingPanel(PanelLog& log) : log_(log) { log_.url = &url_; }
    ~RecordingPanel() override { log_.url = nullptr; }
    std::string& WorldUrl() override { return url_; }
    QWidget* Create(QWidget* parent) override {
        log_.urlAtCreate = url_;
        log_.window = new QWidget(parent);
        return log_.window;
    }
    int32_t LoadVrmlFile(const std::string& address) override {
        log_.loads.push_back(address);
        return log_.loadResult;
    }
    void Shutdown() override {
        ++log_.shutdowns;
        log_.windowAliveAtShutdown = !log_.window.isNull();
    }

private:
    PanelLog& log_;
    std::string url_;
};

class PlexaCtrlTest : public ::testing::Test {
protected:
    std::unique_ptr<CPlexaCtrl> MakeCtrl() {
        return std::make_unique<CPlexaCtrl>([this] { return std::make_unique<RecordingPanel>(log_); });
    }
    // Loads a bag through the dispatch interface, as a container does.
    static com::HResult Load(CPlexaCtrl& ctrl, const com::PropertyBag& bag) {
        return ctrl.Invoke(com::DISPID_LOAD_PROPERTY_BAG, com::DispatchKind::Method, {com::Variant::Bstr(bag.ToText())},
                           nullptr);
    }
    static com::PropertyBag Bag(std::vector<std::pair<std::string, std::string>> items) {
        com::PropertyBag bag;
        for (auto& [name, value] : items) bag.Write(name, value);
        return bag;
    }

    PanelLog log_;
    RecordingModalSeam seam_;
    platform::ui::ScopedModalSeam scoped_{seam_};
};

TEST_F(PlexaCtrlTest, PropertyExchangeTakesSrcOrElseWorld) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> params;
        std::string expected;
    } cases[] = {
        {{{"SRC", "http://127.0.0.1/a.wrl"}}, "http://127.0.0.1/a.wrl"},
        {{{"World", "b.wrl"}}, "b.wrl"},
        {{{"SRC", ""}, {"World", "b.wrl"}}, "b.wrl"},
        {{{"world", "b.wrl"}, {"src", "a.wrl"}}, "a.wrl"},
        {{{"Other", "c.wrl"}}, ""},
        {{}, ""},
    };
    for (const Case& c : cases) {
        auto ctrl = MakeCtrl();
        EXPECT_EQ(Load(*ctrl, Bag(c.params)), com::S_OK);
        EXPECT_EQ(ctrl->Panel().WorldUrl(), c.expected) << Bag(c.params).ToText();
    }
}

TEST_F(PlexaCtrlTest, PropertiesLoadedBeforeTheWindowReachThePanelsStart) {
    auto ctrl = MakeCtrl();
    ASSERT_EQ(Load(*ctrl, Bag({{"World", "room.wrl"}})), com::S_OK);
    QWidget container;
    ASSERT_NE(ctrl->CreateControlWindow(&container), nullptr);
    EXPECT_EQ(log_.urlAtCreate, "room.wrl");
}

TEST_F(PlexaCtrlTest, SavingWritesSrcAndWorldOnlyWhenEmpty) {
    auto ctrl = MakeCtrl();
    com::Variant saved;
    ASSERT_EQ(ctrl->Invoke(com::DISPID_SAVE_PROPERTY_BAG, com::DispatchKind::Method, {}, &saved), com::S_OK);
    auto bag = com::PropertyBag::FromText(saved.AsBstr());
    EXPECT_EQ(bag.Read("SRC"), "");
    EXPECT_EQ(bag.Read("World"), "");

    ctrl->Panel().WorldUrl() = "a.wrl";
    ASSERT_EQ(ctrl->Invoke(com::DISPID_SAVE_PROPERTY_BAG, com::DispatchKind::Method, {}, &saved), com::S_OK);
    bag = com::PropertyBag::FromText(saved.AsBstr());
    EXPECT_EQ(bag.Read("SRC"), "a.wrl");
    EXPECT_EQ(bag.Read("World"), std::nullopt);
}

TEST_F(PlexaCtrlTest, WorldReadsEmptyAndWritingLoadsWithoutStoring) {
    auto ctrl = MakeCtrl();
    ASSERT_EQ(Load(*ctrl, Bag({{"SRC", "first.wrl"}})), com::S_OK);
    com::Variant value = com::Variant::I4(7);
    ASSERT_EQ(ctrl->Invoke(kDispidWorld, com::DispatchKind::PropertyGet, {}, &value), com::S_OK);
    EXPECT_EQ(value, com::Variant::Bstr(""));

    ASSERT_EQ(ctrl->Invoke(kDispidWorld, com::DispatchKind::PropertyPut, {com::Variant::Bstr("second.wrl")}, nullptr),
              com::S_OK);
    EXPECT_EQ(log_.loads, std::vector<std::string>{"second.wrl"});
    EXPECT_TRUE(ctrl->IsModified());
    EXPECT_EQ(ctrl->Panel().WorldUrl(), "first.wrl");
    ASSERT_EQ(ctrl->Invoke(kDispidWorld, com::DispatchKind::PropertyGet, {}, &value), com::S_OK);
    EXPECT_EQ(value, com::Variant::Bstr(""));
    EXPECT_TRUE(seam_.Calls().empty());
}

TEST_F(PlexaCtrlTest, AWorldThatFailsToLoadSaysSoAndLeavesTheControlUnmodified) {
    auto ctrl = MakeCtrl();
    log_.loadResult = -1;
    ASSERT_EQ(ctrl->Invoke(kDispidWorld, com::DispatchKind::PropertyPut, {com::Variant::Bstr("bad.wrl")}, nullptr),
              com::S_OK);
    EXPECT_FALSE(ctrl->IsModified());
    ASSERT_EQ(seam_.CountOf(RecordingModalSeam::Kind::MessageBox), 1);
    EXPECT_EQ(seam_.Calls()[0].text, platform::Sjis("VRMLファイルの読み込みに失敗しました。"));
    EXPECT_EQ(seam_.Calls()[0].caption, platform::Sjis("Moneko♪"));
    // Only a wrong type is refused by the interface itself.
    EXPECT_EQ(ctrl->Invoke(kDispidWorld, com::DispatchKind::PropertyPut, {com::Variant::I4(1)}, nullptr),
              com::DISP_E_TYPEMISMATCH);
}

TEST_F(PlexaCtrlTest, PanelFillsTheControlAtStartAndAfterEveryResize) {
    auto ctrl = MakeCtrl();
    QWidget container;
    QWidget* window = ctrl->CreateControlWindow(&container);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(log_.window);
    EXPECT_EQ(window->size(), QSize(680, 420));
    EXPECT_EQ(log_.window->parentWidget(), window);
    EXPECT_EQ(log_.window->geometry(), QRect(0, 0, 680, 420));
    EXPECT_TRUE(log_.window->isVisibleTo(window));

    // A hidden window gets its resize events only when shown, as in a real container.
    container.show();
    window->resize(800, 600);
    EXPECT_EQ(log_.window->geometry(), QRect(0, 0, 800, 600));
    window->resize(10, 5);
    EXPECT_EQ(log_.window->geometry(), QRect(0, 0, 10, 5));
}

TEST_F(PlexaCtrlTest, DestroyingTheControlShutsThePanelDownOnceWhileItsWindowLives) {
    {
        auto ctrl = MakeCtrl();
        QWidget container;
        ctrl->CreateControlWindow(&container);
    }
    EXPECT_EQ(log_.shutdowns, 1);
    EXPECT_TRUE(log_.windowAliveAtShutdown);
}

TEST_F(PlexaCtrlTest, ContainerClosingFirstStillShutsThePanelDownOnce) {
    auto ctrl = MakeCtrl();
    auto container = std::make_unique<QWidget>();
    ctrl->CreateControlWindow(container.get());
    container.reset();
    EXPECT_EQ(log_.shutdowns, 1);
    EXPECT_TRUE(log_.windowAliveAtShutdown);
    ctrl.reset();
    EXPECT_EQ(log_.shutdowns, 1);
}

TEST_F(PlexaCtrlTest, AControlThatNeverHadAWindowHasNoSessionToEnd) {
    MakeCtrl().reset();
    EXPECT_EQ(log_.shutdowns, 0);
}

TEST_F(PlexaCtrlTest, AboutBoxRunsModally) {
    auto ctrl = MakeCtrl();
    ASSERT_EQ(ctrl->Invoke(com::DISPID_ABOUTBOX, com::DispatchKind::Method, {}, nullptr), com::S_OK);
    const auto runs = seam_.CallsOf(RecordingModalSeam::Kind::RunModal);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].dialogClass, "plexa::CPlexaAboutDialog");
    EXPECT_EQ(ctrl->Invoke(com::DISPID_ABOUTBOX, com::DispatchKind::Method, {com::Variant::I4(1)}, nullptr),
              com::DISP_E_BADPARAMCOUNT);
}

TEST(PlexaPropPage, ShowsItsGeneralPage) {
    CPlexaPropPage page;
    QWidget container;
    QWidget* window = page.CreateControlWindow(&container);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "General");
}

}  // namespace
}  // namespace plexa
