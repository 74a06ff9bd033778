// The view control as a host sees it: loaded from its module through the registry and driven
// only by dispatch id.
#include "controls/vrmlview/teskcontrolvrml_ids.h"
#include "platform/com/control_site.h"
#include "platform/com/module_loader.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

namespace com = platform::com;
using com::Variant;

std::vector<Variant> Pose(float x, float z) {
    return {Variant::R4(x), Variant::R4(0), Variant::R4(z), Variant::R4(0), Variant::R4(0), Variant::R4(-1)};
}

std::string Data(const char* name) { return std::string(VRMLVIEW_TESTDATA) + "/" + name; }

class TeskControlVrmlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        qputenv("MONEKO_REGISTRY", dir.filePath("registry.reg").toLocal8Bit());
        ASSERT_EQ(com::RegisterModuleFile(std::string(MONEKO_TEST_BIN_DIR) + "/teskcontrolvrml.ocx"), com::S_OK);
    }
    void SetUp() override {
        container.resize(400, 300);
        container.show();
        com::HResult hr = com::E_FAIL;
        site = com::ControlSite::Create(*com::Guid::FromString(teskcontrolvrml::kClassId), &container, &hr);
        ASSERT_TRUE(site) << std::hex << hr;
        site->SetGeometry(QRect(0, 0, 320, 240));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(site->Window()));
        site->Advise(&sink);
    }
    int16_t Load(const std::string& address) {
        Variant result;
        EXPECT_EQ(site->Call(27, {Variant::Bstr(address)}, &result), com::S_OK);
        EXPECT_EQ(result.Type(), com::VarType::I2);
        return result.AsI2();
    }
    bool CallBool(int32_t dispid, std::vector<Variant> args) {
        Variant result;
        EXPECT_EQ(site->Call(dispid, std::move(args), &result), com::S_OK);
        return result.AsBool();
    }
    QWidget container;
    std::unique_ptr<com::ControlSite> site;
    com::EventSinkMap sink;
};

TEST_F(TeskControlVrmlTest, IsFoundByProgIdAndLoadsScenes) {
    com::Guid clsid;
    ASSERT_EQ(com::CLSIDFromProgID(teskcontrolvrml::kProgId, &clsid), com::S_OK);
    EXPECT_EQ(clsid, *com::Guid::FromString(teskcontrolvrml::kClassId));
    EXPECT_EQ(Load(Data("room.wrl")), 1);
    EXPECT_EQ(Load("file://" + Data("room.wrl")), 1);
    EXPECT_EQ(Load(Data("broken.wrl")), -1);
    EXPECT_EQ(Load(""), -1);
}

TEST_F(TeskControlVrmlTest, OptionsAndNavigationCallsReportThroughTheirResults) {
    for (int32_t dispid = 1; dispid <= 6; ++dispid) EXPECT_EQ(site->Put(dispid, Variant::Bool(false)), com::S_OK);
    EXPECT_EQ(site->Put(7, Variant::I4(2)), com::S_OK);
    EXPECT_EQ(site->Put(8, Variant::I4(3)), com::S_OK);
    EXPECT_EQ(site->Put(7, Variant::Bstr("wire")), com::DISP_E_TYPEMISMATCH);
    ASSERT_EQ(Load(Data("room.wrl")), 1);
    EXPECT_TRUE(CallBool(13, {Variant::I4(4)}));
    EXPECT_FALSE(CallBool(13, {Variant::I4(6)}));
    EXPECT_TRUE(CallBool(14, {Variant::I4(0)}));
    EXPECT_FALSE(CallBool(14, {Variant::I4(5)}));
    EXPECT_TRUE(CallBool(12, {}));
    EXPECT_TRUE(CallBool(19, {}));
    EXPECT_TRUE(CallBool(18, {Variant::Bool(false)}));
    EXPECT_EQ(site->Call(13, {}), com::DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(site->Call(99, {}), com::DISP_E_MEMBERNOTFOUND);
}

TEST_F(TeskControlVrmlTest, AvatarsByClientIdAndTheOwnPoseEvent) {
    std::vector<std::vector<Variant>> events;
    sink.On(1, [&](const std::vector<Variant>& args) { events.push_back(args); });
    ASSERT_EQ(Load(Data("room.wrl")), 1);
    EXPECT_EQ(site->Put(9, Variant::Bstr(Data("avatar.wrl"))), com::S_OK);
    auto create = [&](int16_t id, int16_t presence, float x, float z) {
        std::vector<Variant> args{Variant::I2(id), Variant::Bstr("7F000001:9"), Variant::Bstr("\x82\xcb\x82\xb1"),
                                  Variant::Bstr("1"), Variant::I2(presence)};
        for (const Variant& v : Pose(x, z)) args.push_back(v);
        return CallBool(22, args);
    };
    EXPECT_TRUE(create(2, 2, 1000, 4000));
    EXPECT_TRUE(create(1, 1, 10000, 10000));
    EXPECT_FALSE(create(1, 1, 0, 0));
    std::vector<Variant> move{Variant::I2(2)};
    for (const Variant& v : Pose(-1000, 4000)) move.push_back(v);
    EXPECT_TRUE(CallBool(17, move));
    move[0] = Variant::I2(9);
    EXPECT_FALSE(CallBool(17, move));
    EXPECT_TRUE(CallBool(16, {Variant::I2(2), Variant::Bstr("a00")}));
    EXPECT_FALSE(CallBool(16, {Variant::I2(2), Variant::Bstr("a99")}));
    EXPECT_FALSE(CallBool(16, {Variant::I2(9), Variant::Bstr("a00")}));

    EXPECT_EQ(site->Call(28, {}), com::S_OK);
    site->Window()->setFocus();
    QTest::keyClick(site->Window(), Qt::Key_Up);
    QTest::qWait(400);
    ASSERT_FALSE(events.empty());
    const std::vector<Variant>& last = events.back();
    ASSERT_EQ(last.size(), 7u);
    EXPECT_EQ(last[0].AsI2(), 1);
    EXPECT_EQ(last[1].Type(), com::VarType::R4);
    EXPECT_NEAR(last[1].AsR4(), 10000.0f, 1.0f);
    EXPECT_LT(last[3].AsR4(), 10000.0f);
    EXPECT_NEAR(last[6].AsR4(), -1.0f, 1e-4);

    // The diagnostics: the follower is the own avatar, others are where they were sent.
    Variant result;
    EXPECT_EQ(site->Call(102, {}, &result), com::S_OK);
    EXPECT_EQ(result.AsI2(), 1);
    EXPECT_EQ(site->Get(101, &result), com::S_OK);
    EXPECT_EQ(result.AsI4(), 2);
    EXPECT_EQ(site->Put(101, Variant::I4(0)), com::DISP_E_MEMBERNOTFOUND);
    QTest::qWait(700);
    EXPECT_EQ(site->Call(100, {Variant::I2(2)}, &result), com::S_OK);
    ASSERT_EQ(result.Type(), com::VarType::Bstr);
    EXPECT_EQ(result.AsBstr().substr(0, 13), "2,-1000,0,400");
    EXPECT_EQ(site->Call(100, {Variant::I2(9)}, &result), com::S_OK);
    EXPECT_EQ(result.AsBstr(), "");
    EXPECT_EQ(site->Call(100, {Variant::Bstr("2")}, &result), com::DISP_E_TYPEMISMATCH);

    EXPECT_TRUE(CallBool(15, {Variant::I2(2)}));
    EXPECT_FALSE(CallBool(15, {Variant::I2(2)}));
    EXPECT_EQ(site->Get(101, &result), com::S_OK);
    EXPECT_EQ(result.AsI4(), 1);
    QImage frame = site->Window()->grab().toImage();
    EXPECT_FALSE(frame.isNull());
}

}  // namespace
