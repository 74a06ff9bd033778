#include "platform/ui/clipboard.h"
#include "platform/ui/string_table.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace platform::ui {
namespace {

TEST(StringTable, ServesCp932BytesAndQtTextByIdAndNothingForUnknownIds) {
    const StringTable table{{57344, "Moneko♪"}, {146, "ポイント"}, {108, "ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)|*.txt||"}};
    EXPECT_EQ(table.Get(57344), "Moneko\x81\xF4");
    // ポ is 83 7C: a trail byte that is also '|'.
    EXPECT_EQ(table.Get(146), "\x83\x7C\x83\x43\x83\x93\x83\x67");
    EXPECT_EQ(table.Get(108), "\xC3\xB7\xBD\xC4 \xCC\xA7\xB2\xD9 (*.txt)|*.txt||");
    EXPECT_EQ(table.GetQ(146), QString::fromUtf8("ポイント"));
    EXPECT_TRUE(table.Contains(108));

    EXPECT_FALSE(table.Contains(1));
    EXPECT_EQ(table.Get(1), "");
    EXPECT_TRUE(table.GetQ(1).isEmpty());
}

TEST(StringTable, AddReplacesAndKeepsBackslashAndEmptyTexts) {
    StringTable table;
    table.Add(5, "old");
    table.Add(5, "表\\ソ");
    // 表 is 95 5C and ソ 83 5C; the real backslash stays 5C (no yen sign).
    EXPECT_EQ(table.Get(5), "\x95\x5C\x5C\x83\x5C");
    EXPECT_EQ(table.GetQ(5), QString::fromUtf8("表\\ソ"));
    table.Add(6, "");
    EXPECT_TRUE(table.Contains(6));
    EXPECT_EQ(table.Get(6), "");
}

TEST(Clipboard, CopiesCp932TextAsUnicodeUpToTheFirstZero) {
    CopyTextToClipboard("\x83\x52\x83\x73\x81\x5B\x81\xF4");  // コピー♪
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("コピー♪"));
    CopyTextToClipboard(std::string("abc\0def", 7));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
}

}  // namespace
}  // namespace platform::ui
