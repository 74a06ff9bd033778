#include "plexa/data/region_list.h"

#include "platform/text/cp932.h"

#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace plexa {
namespace {

TEST(RegionList, FieldsAndHiddenFlag) {
    const auto list = ParseRegionList(
        "x,Lobby,lobby.wrl,1\n"
        "x,Lobby,lobby.wrl,0\n"
        "x,Lobby,lobby.wrl,\n"
        "x,Lobby,lobby.wrl,1x\n"
        "x,,u,1\r\n"
        " 7 , a b , c ,1,ignored,,\n");
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].name, "Lobby");
    EXPECT_EQ(list[0].url, "lobby.wrl");
    EXPECT_FALSE(list[0].hidden);
    EXPECT_TRUE(list[1].hidden);
    EXPECT_TRUE(list[2].hidden);
    EXPECT_FALSE(list[3].hidden);
    EXPECT_EQ(list[4].name, "");
    EXPECT_EQ(list[4].url, "u");
    EXPECT_FALSE(list[4].hidden);
    EXPECT_EQ(list[5].name, " a b ");  // nothing trimmed
    EXPECT_EQ(list[5].url, " c ");
    EXPECT_FALSE(list[5].hidden);
}

TEST(RegionList, LinesWithFewerThanThreeCommasCarryNoRegion) {
    const auto list = ParseRegionList("\n\nx,a,b\nno commas\nx,Hall,hall.wrl,1");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Hall");
    EXPECT_FALSE(list[0].hidden);
}

TEST(RegionList, JapaneseNameBytesKept) {
    const std::string name = platform::Sjis("ソファの部屋");  // ソ has trail byte 0x5C
    const auto list = ParseRegionList("1," + name + ",http://h/r.wrl,1\r\n");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, name);
}

TEST(RegionList, FileMissingIsAFailureAndEmptyFileIsNot) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Region_List.Dat").toStdString();
    EXPECT_FALSE(ReadRegionList(path).has_value());
    std::ofstream(path, std::ios::binary) << "";
    const auto list = ReadRegionList(path);
    ASSERT_TRUE(list.has_value());
    EXPECT_TRUE(list->empty());
}

TEST(RegionList, TempFileRemovedOnlyWhenPresent) {
    QTemporaryDir dir;
    const std::string install = dir.path().toStdString();
    EXPECT_FALSE(RemoveRegionTempFile(install));
    EXPECT_FALSE(RemoveRegionTempFile(install + "/missing-dir"));
    const QString temp = dir.filePath("Region.tmp");
    std::ofstream(temp.toStdString()) << "x";
    EXPECT_TRUE(RemoveRegionTempFile(install));
    EXPECT_FALSE(QFile::exists(temp));
}

}  // namespace
}  // namespace plexa
