#include "plexa/data/own_avatar_card.h"

#include "platform/text/cp932.h"
#include "plexa/data/bmp_builder_test_support.h"

#include <QFrame>
#include <QLabel>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace plexa {
namespace {

std::string WriteFile(const QTemporaryDir& dir, const char* name, const std::string& bytes) {
    const std::string path = dir.filePath(name).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// 80 x 80: red on the left half, blue on the right.
std::string HalfAndHalf() {
    std::string rows;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) rows += x < 40 ? test::Bytes({0, 0, 255}) : test::Bytes({255, 0, 0});
    return test::MakeBmp(test::Rgb24(80, 80, rows));
}

QRgb FramePixel(OwnAvatarCard& card, int x, int y) { return card.PictureFrame()->grab().toImage().pixel(x, y); }

TEST(OwnAvatarCard, LayoutInPixels) {
    OwnAvatarCard card;
    EXPECT_EQ(card.size(), QSize(281, 144));
    EXPECT_EQ(card.PictureFrame()->geometry(), QRect(3, 3, 64, 64));
    EXPECT_EQ(card.AvatarNameLabel()->geometry(), QRect(75, 5, 100, 18));
    EXPECT_EQ(card.RegionNameLabel()->geometry(), QRect(75, 28, 100, 36));
    EXPECT_TRUE(card.UserIdLabel()->isHidden());
}

TEST(OwnAvatarCard, PictureIsStretchedTo64AndFallsBackToButtonFace) {
    QTemporaryDir dir;
    OwnAvatarCard card;
    card.show();
    const QRgb buttonFace = card.palette().color(QPalette::Button).rgb();
    EXPECT_EQ(FramePixel(card, 32, 32), buttonFace);

    card.SetPicture(WriteFile(dir, "cat.bmp", HalfAndHalf()));
    ASSERT_TRUE(card.HasPicture());
    EXPECT_EQ(FramePixel(card, 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(FramePixel(card, 31, 63), qRgb(255, 0, 0));
    EXPECT_EQ(FramePixel(card, 33, 0), qRgb(0, 0, 255));
    EXPECT_EQ(FramePixel(card, 63, 63), qRgb(0, 0, 255));
    const QString shots = qEnvironmentVariable("MONEKO_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        card.SetAvatarName("Mike");
        card.SetRegionName(platform::Sjis("ロビー（はじまりの部屋）"));
        card.grab().save(shots + "/own_avatar_card.png");
    }

    // A file that is no BMP leaves the frame empty.
    std::string notBmp = HalfAndHalf();
    notBmp[0] = 'P';
    card.SetPicture(WriteFile(dir, "bad.bmp", notBmp));
    EXPECT_FALSE(card.HasPicture());
    EXPECT_EQ(FramePixel(card, 10, 10), buttonFace);

    card.SetPicture(WriteFile(dir, "cat2.bmp", HalfAndHalf()));
    card.SetPicture("");
    EXPECT_FALSE(card.HasPicture());
    EXPECT_EQ(card.PicturePath(), "");
    EXPECT_EQ(FramePixel(card, 10, 10), buttonFace);
}

TEST(OwnAvatarCard, TextsAreStoredAndShown) {
    OwnAvatarCard card;
    const std::string region = platform::Sjis("ソファの部屋");
    card.SetAvatarName("Mike");
    card.SetRegionName(region);
    card.SetUserId("12345");
    EXPECT_EQ(card.RegionName(), region);
    EXPECT_EQ(card.RegionNameLabel()->text(), QString::fromUtf8("ソファの部屋"));
    EXPECT_EQ(card.AvatarNameLabel()->text(), "Mike");
    EXPECT_EQ(card.UserId(), "12345");
    card.SetRegionName("");
    EXPECT_EQ(card.RegionNameLabel()->text(), "");
}

}  // namespace
}  // namespace plexa
