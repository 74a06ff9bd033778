#include "plexa/data/definition_file.h"

#include "platform/text/cp932.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace plexa {
namespace {

TEST(DefinitionFile, WellFormedSectionFillsEveryField) {
    const auto list = ParseDefinitionText(
        "[cat01]\r\n"
        "DATE=2000/04/01\r\n"
        "VRML=avatar/cat01/cat.wrl\r\n"
        "IMAGE=avatar/cat01/cat.bmp\r\n"
        "TEXTURE=avatar/cat01/fur.gif\r\n"
        "BUTTON=avatar/cat01/Button/b00.bmp\r\n");
    ASSERT_EQ(list.size(), 1u);
    const AvatarDefinition& cat = list[0];
    EXPECT_EQ(cat.sectionName, "cat01");
    EXPECT_EQ(cat.date, "2000/04/01");
    EXPECT_EQ(cat.vrmlUrl, "avatar/cat01/cat.wrl");
    EXPECT_EQ(cat.vrmlFileName, "cat.wrl");
    EXPECT_EQ(cat.imageUrl, "avatar/cat01/cat.bmp");
    EXPECT_EQ(cat.imageFileName, "cat.bmp");
    ASSERT_EQ(cat.textures.size(), 1u);
    EXPECT_EQ(cat.textures[0].fileName, "fur.gif");
    ASSERT_EQ(cat.buttons.size(), 1u);
    EXPECT_EQ(cat.buttons[0].url, "avatar/cat01/Button/b00.bmp");
    EXPECT_EQ(cat.buttons[0].fileName, "b00.bmp");
}

TEST(DefinitionFile, ButtonLinesMayNameTheirGesture) {
    const std::string wave = platform::FromQString(QString::fromUtf8("手を振る"));
    const std::string table = platform::FromQString(QString::fromUtf8("表"));  // trail byte 0x5C
    const auto list = ParseDefinitionText(
        "[cat]\n"
        "BUTTON:" + wave + "=AvatarData/cat/Button/b00.bmp\n"
        "BUTTON=AvatarData/cat/Button/b01.bmp\n"
        "BUTTON : " + table + " \t=AvatarData/cat/Button/b02.bmp\n"
        "BUTTONS extra=p/one.bmp\n"
        "BUTTON:=q/empty.bmp\n"
        "TEXTURE:fur=t/fur.bmp\n");
    ASSERT_EQ(list.size(), 1u);
    const auto& buttons = list[0].buttons;
    ASSERT_EQ(buttons.size(), 5u);
    // The name never leaks into the address or file name other readers see.
    EXPECT_EQ(buttons[0].label, wave);
    EXPECT_EQ(buttons[0].url, "AvatarData/cat/Button/b00.bmp");
    EXPECT_EQ(buttons[0].fileName, "b00.bmp");
    EXPECT_EQ(buttons[1].label, "");
    EXPECT_EQ(buttons[2].label, table) << "blanks round the name dropped";
    EXPECT_EQ(buttons[2].fileName, "b02.bmp");
    EXPECT_EQ(buttons[3].label, "") << "no colon, no name: a longer keyword is not a name";
    EXPECT_EQ(buttons[4].label, "");
    ASSERT_EQ(list[0].textures.size(), 1u);
    EXPECT_EQ(list[0].textures[0].label, "");
}

TEST(DefinitionFile, BlankAndCommentLinesOnlyGiveNothing) {
    EXPECT_TRUE(ParseDefinitionText("\n   \n\t\n; comment\n# other\r\n").empty());
    EXPECT_TRUE(ParseDefinitionText("").empty());
}

TEST(DefinitionFile, LineSyntax) {
    const auto list = ParseDefinitionText(
        "  \t[abc]def\n"
        "  VRML=a/b.wrl\n"
        "IMAGE = x/y.bmp\n"
        "DATE=a=b\n"
        "vrml=lower/case.wrl\n"
        "DATEX=1\n"
        "Vrml=q/r.wrl\n"
        "BUTTONS extra=p/one.bmp  \n");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].sectionName, "abc");
    EXPECT_EQ(list[0].vrmlUrl, "a/b.wrl");
    EXPECT_EQ(list[0].vrmlFileName, "b.wrl");
    EXPECT_EQ(list[0].imageUrl, " x/y.bmp");  // blank after '=' kept
    EXPECT_EQ(list[0].imageFileName, "y.bmp");
    EXPECT_EQ(list[0].date, "1");             // DATEX counts as DATE and replaces a=b
    ASSERT_EQ(list[0].buttons.size(), 1u);
    EXPECT_EQ(list[0].buttons[0].url, "p/one.bmp  ");  // trailing blanks stay
    EXPECT_EQ(list[0].buttons[0].fileName, "one.bmp  ");
}

TEST(DefinitionFile, SplitIsAtFirstEquals) {
    const auto list = ParseDefinitionText("[s]\nDATE=a=b\nVRML=p=q/r=s.wrl\n");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].date, "a=b");
    EXPECT_EQ(list[0].vrmlUrl, "p=q/r=s.wrl");
    EXPECT_EQ(list[0].vrmlFileName, "r=s.wrl");
}

TEST(DefinitionFile, AssetsAccumulateAndBelongToTheirSection) {
    const auto list = ParseDefinitionText(
        "[one]\nBUTTON=b/0.bmp\nBUTTON=b/1.bmp\nVRML=a/first.wrl\nBUTTON=b/2.bmp\nVRML=a/second.wrl\n"
        "[two]\nBUTTON=c/9.bmp");  // last line without an end still counts
    ASSERT_EQ(list.size(), 2u);
    ASSERT_EQ(list[0].buttons.size(), 3u);
    EXPECT_EQ(list[0].buttons[0].fileName, "0.bmp");
    EXPECT_EQ(list[0].buttons[2].fileName, "2.bmp");
    EXPECT_EQ(list[0].vrmlFileName, "second.wrl");
    ASSERT_EQ(list[1].buttons.size(), 1u);
    EXPECT_EQ(list[1].buttons[0].fileName, "9.bmp");
}

TEST(DefinitionFile, LinesWithoutSoundReadingAreSkipped) {
    const auto list = ParseDefinitionText(
        "VRML=before/header.wrl\n"
        "[open\n"
        "VRML no equals/x.wrl\n"
        "IMAGE=noslash.bmp\n"
        "[]\n");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].sectionName, "open");  // a header without ']' takes the rest of the line
    EXPECT_TRUE(list[0].vrmlUrl.empty());
    EXPECT_TRUE(list[0].imageUrl.empty());
    EXPECT_EQ(list[1].sectionName, "");
}

TEST(DefinitionFile, Cp932BytesKeptAndTrailByteIsNoBracket) {
    // "猫" then a character whose trail byte is ']' (0x5D), then the real ']'.
    const std::string name = platform::Sjis("猫") + std::string("\x83\x5D", 2);
    ASSERT_EQ(static_cast<unsigned char>(name.back()), 0x5D);
    const auto list = ParseDefinitionText("[" + name + "]\nDATE=" + platform::Sjis("四月") + "\n");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].sectionName, name);
    EXPECT_EQ(list[0].date, platform::Sjis("四月"));
}

TEST(DefinitionFile, FileOrderAndMissingFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Avatar_User.dat").toStdString();
    EXPECT_TRUE(ParseDefinitionFile(path).empty());
    std::ofstream(path, std::ios::binary) << "[b]\r\n[a]\r\n[c]\r\nVRML=x/c.wrl\r\n";
    const auto list = ParseDefinitionFile(path);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].sectionName, "b");
    EXPECT_EQ(list[1].sectionName, "a");
    EXPECT_EQ(list[2].vrmlFileName, "c.wrl");  // the CR of CR LF is no part of the value
}

}  // namespace
}  // namespace plexa
