// The preview as the avatar chooser uses it: created by class id, properties put by dispid.
#include "controls/worldview/world_view_ids.h"
#include "platform/com/control_site.h"
#include "platform/com/module_loader.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

namespace com = platform::com;
using com::Variant;

int Coloured(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (image.pixelColor(x, y).saturation() > 100 && image.pixelColor(x, y).value() > 60) ++count;
    return count;
}

TEST(WorldViewTest, ShowsTheFileTurningAndAnEmptyPreviewForBadFiles) {
    QTemporaryDir dir;
    qputenv("MONEKO_REGISTRY", dir.filePath("registry.reg").toLocal8Bit());
    ASSERT_EQ(com::RegisterModuleFile(std::string(MONEKO_TEST_BIN_DIR) + "/vrmlbrowser.ocx"), com::S_OK);
    QWidget dialog;
    dialog.resize(220, 200);
    dialog.show();
    com::HResult hr = com::E_FAIL;
    auto site = com::ControlSite::Create(*com::Guid::FromString(worldview::kClassId), &dialog, &hr);
    ASSERT_TRUE(site) << std::hex << hr;
    site->SetGeometry(QRect(10, 10, 200, 178));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(site->Window()));
    for (int32_t dispid : {512, 513, 516}) EXPECT_EQ(site->Put(dispid, Variant::Bool(false)), com::S_OK);
    EXPECT_EQ(site->Put(501, Variant::I4(4)), com::S_OK);
    EXPECT_EQ(site->Put(510, Variant::Bool(true)), com::S_OK);
    EXPECT_EQ(site->Put(504, Variant::Bool(true)), com::S_OK);
    Variant back;
    EXPECT_EQ(site->Get(501, &back), com::S_OK);
    EXPECT_EQ(back.AsI4(), 4);

    QWidget* gl = site->Window();
    EXPECT_EQ(Coloured(gl->grab().toImage()), 0);
    const std::string avatar = std::string(VRMLVIEW_TESTDATA) + "/avatar.wrl";
    ASSERT_EQ(site->Put(100, Variant::Bstr(avatar)), com::S_OK);
    QImage first = gl->grab().toImage();
    // The figure fills a good part of the preview, in the middle.
    EXPECT_GT(Coloured(first), 400);
    EXPECT_GT(first.pixelColor(100, 89).saturation(), 100);
    QTest::qWait(700);
    QImage later = gl->grab().toImage();
    int changed = 0;
    for (int y = 0; y < later.height(); ++y)
        for (int x = 0; x < later.width(); ++x)
            if (later.pixel(x, y) != first.pixel(x, y)) ++changed;
    EXPECT_GT(changed, 50) << "the model should turn";

    EXPECT_EQ(site->Put(100, Variant::Bstr(std::string(VRMLVIEW_TESTDATA) + "/broken.wrl")), com::S_OK);
    EXPECT_EQ(Coloured(gl->grab().toImage()), 0);
    EXPECT_EQ(site->Put(100, Variant::Bstr("")), com::S_OK);
    EXPECT_EQ(site->Put(100, Variant::Bstr(avatar)), com::S_OK);
    EXPECT_GT(Coloured(gl->grab().toImage()), 400);
}

}  // namespace
