#include "controls/vrmlview/coin_view.h"
#include "controls/vrmlview/scene_loader.h"
#include "controls/vrmlview/test_scenes.h"

#include <Inventor/nodes/SoSeparator.h>

#include <QImage>
#include <gtest/gtest.h>

namespace {

const QColor kSky(51, 102, 230);
const QColor kFloor(51, 153, 51);

TEST(CoinViewTest, ShowsSkyAboveAndFloorBelowFromTheFirstViewpoint) {
    CoinView view;
    QString error;
    SoSeparator* scene = SceneLoader::Load(TestDataPath("room.wrl"), &error);
    ASSERT_NE(scene, nullptr) << error.toStdString();
    view.SetScene(scene);
    ShowForTest(&view);
    QImage image = Frame(&view);
    EXPECT_TRUE(Near(image.pixelColor(20, 10), kSky)) << image.pixelColor(20, 10).name().toStdString();
    EXPECT_TRUE(Near(image.pixelColor(20, 230), kFloor)) << image.pixelColor(20, 230).name().toStdString();
    image.save("/tmp/vrml_room.png");
}

}  // namespace
