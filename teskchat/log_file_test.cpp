#include "teskchat/log_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace teskchat {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

TEST(LogFileTest, AppendsLinesWithCrLfAndKeepsBytes) {
    QTemporaryDir dir;
    LogFile log(dir.filePath("ChatDat.dat"));
    EXPECT_FALSE(log.Exists());
    const std::string sjisText = "\x83\x5c\x95\x5c";  // two characters whose trail byte is 0x5C
    ASSERT_TRUE(log.AppendLine("Taro", "10.0.0.1", "hello, world"));
    ASSERT_TRUE(log.AppendLine("\x82\xa0", "Localhost", sjisText));
    EXPECT_EQ(ReadAll(log.Path()), QByteArray("Taro,10.0.0.1,hello, world\r\n\x82\xa0,Localhost,\x83\x5c\x95\x5c\r\n"));
}

TEST(LogFileTest, AppendFailsWhenTheDirectoryIsMissing) {
    QTemporaryDir dir;
    LogFile log(dir.filePath("missing/ChatDat.dat"));
    EXPECT_FALSE(log.AppendLine("a", "b", "c"));
    EXPECT_FALSE(LogFile().AppendLine("a", "b", "c"));
}

TEST(LogFileTest, ReadSplitsOnTheFirstTwoCommas) {
    QTemporaryDir dir;
    LogFile log(dir.filePath("ChatDat.dat"));
    ASSERT_TRUE(log.AppendLine("Taro", "Localhost", "a,b,c"));   // commas in the text reload whole
    ASSERT_TRUE(log.AppendLine("Ta,ro", "Localhost", "hi"));     // a comma in the name stays in it
    ASSERT_TRUE(log.AppendLine("  Jiro", "1.2.3.4", ""));       // leading spaces of a name are lost
    auto lines = log.ReadLines();
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 3u);
    EXPECT_EQ((*lines)[0].field1, "Taro");
    EXPECT_EQ((*lines)[0].field3, "a,b,c");
    EXPECT_EQ((*lines)[1].field1, "Ta&#x2C;ro");  // shown as "Ta,ro"
    EXPECT_EQ((*lines)[1].field2, "Localhost");
    EXPECT_EQ((*lines)[1].field3, "hi");
    EXPECT_EQ((*lines)[2].field1, "Jiro");
    EXPECT_EQ((*lines)[2].field2, "1.2.3.4");
    EXPECT_EQ((*lines)[2].field3, "");
}

TEST(LogFileTest, LinesWithoutTwoSeparatorsContinueTheMessage) {
    QTemporaryDir dir;
    LogFile log(dir.filePath("ChatDat.dat"));
    ASSERT_TRUE(log.AppendLine("Taro", "Localhost", "first\r\nsecond\r\n"));
    ASSERT_TRUE(log.AppendLine("Jiro", "Localhost", "next"));
    auto lines = log.ReadLines();
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 2u);
    EXPECT_EQ((*lines)[0].field3, "first\r\nsecond\r\n");
    EXPECT_EQ((*lines)[1].field1, "Jiro");
    // A file that starts with such a line still reads: the whole line is the name.
    QFile raw(dir.filePath("odd.dat"));
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write("lonely\r\nA,B");
    raw.close();
    auto odd = LogFile(raw.fileName()).ReadLines();
    ASSERT_TRUE(odd.has_value());
    ASSERT_EQ(odd->size(), 1u);
    EXPECT_EQ((*odd)[0].field1, "lonely");
    EXPECT_EQ((*odd)[0].field3, "\r\nA,B");
}

TEST(LogFileTest, RemoteTextCannotForgeALineOrASender) {
    QTemporaryDir dir;
    LogFile log(dir.filePath("ChatDat.dat"));
    const std::string forged = "hi\r\nAdmin,Localhost,the server restarts, send your password\r\n\tindented\nbare";
    ASSERT_TRUE(log.AppendLine("Taro", "10.0.0.1", forged));
    ASSERT_TRUE(log.AppendLine("Admin,Localhost,I am Admin", "10.0.0.2", "x"));
    ASSERT_TRUE(log.AppendLine("Ji\r\nAdmin", "1.2.3.4,Localhost", "y"));
    ASSERT_TRUE(log.AppendLine("\t\tTab", "Localhost", "z"));
    auto lines = log.ReadLines();
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 4u);
    EXPECT_EQ((*lines)[0].field1, "Taro");
    EXPECT_EQ((*lines)[0].field3,
              "hi\r\nAdmin,Localhost,the server restarts, send your password\r\n\tindented\r\nbare");
    EXPECT_EQ((*lines)[1].field1, "Admin&#x2C;Localhost&#x2C;I am Admin");
    EXPECT_EQ((*lines)[1].field2, "10.0.0.2");
    EXPECT_EQ((*lines)[1].field3, "x");
    EXPECT_EQ((*lines)[2].field1, "Ji  Admin");
    EXPECT_EQ((*lines)[2].field2, "1.2.3.4&#x2C;Localhost");
    EXPECT_EQ((*lines)[2].field3, "y");
    EXPECT_EQ((*lines)[3].field1, "Tab");
    // A plain one-line message is still written byte for byte.
    EXPECT_TRUE(ReadAll(log.Path()).endsWith("\r\n  Tab,Localhost,z\r\n"));
}

TEST(LogFileTest, ATornLastLineIsEndedBeforeTheNextLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ChatDat.dat");
    {
        QFile torn(path);
        ASSERT_TRUE(torn.open(QIODevice::WriteOnly));
        torn.write("Taro,Localhost,first\r\nTaro,Localhost,cut sho");  // killed in mid-line
    }
    LogFile log(path);
    ASSERT_TRUE(log.AppendLine("Jiro", "1.2.3.4", "next session"));
    EXPECT_EQ(ReadAll(path), QByteArray("Taro,Localhost,first\r\nTaro,Localhost,cut sho\r\n"
                                        "Jiro,1.2.3.4,next session\r\n"));
    auto lines = log.ReadLines();
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 3u);
    EXPECT_EQ((*lines)[1].field3, "cut sho");
    EXPECT_EQ((*lines)[2].field1, "Jiro");
    EXPECT_EQ((*lines)[2].field3, "next session");
    // Torn after the CR of a line end: the LF is still missing and is added.
    QFile half(dir.filePath("half.dat"));
    ASSERT_TRUE(half.open(QIODevice::WriteOnly));
    half.write("a,b,c\r");
    half.close();
    ASSERT_TRUE(LogFile(half.fileName()).AppendLine("d", "e", "f"));
    EXPECT_EQ(LogFile(half.fileName()).ReadLines()->size(), 2u);
}

TEST(LogFileTest, LogsAndSavedCopiesAreOwnerOnly) {
    QTemporaryDir dir;
    const mode_t old = ::umask(022);
    LogFile log(dir.filePath("EspDat0.dat"));
    const bool appended = log.AppendLine("a", "b", "c");
    const bool copied = log.CopyTo(dir.filePath("saved.txt"));
    ::umask(old);
    ASSERT_TRUE(appended);
    ASSERT_TRUE(copied);
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto userBits = QFileDevice::ReadUser | QFileDevice::WriteUser;
    EXPECT_EQ(QFile::permissions(log.Path()) & ~userBits, ownerOnly);
    EXPECT_EQ(QFile::permissions(dir.filePath("saved.txt")) & ~userBits, ownerOnly);
}

TEST(LogFileTest, ReadOfAMissingFileFails) {
    QTemporaryDir dir;
    EXPECT_FALSE(LogFile(dir.filePath("none.dat")).ReadLines().has_value());
}

TEST(LogFileTest, CopyReplacesTheTargetAndRemoveDeletes) {
    QTemporaryDir dir;
    LogFile log(dir.filePath("ChatDat.dat"));
    const QString target = dir.filePath("saved.txt");
    EXPECT_FALSE(log.CopyTo(target));  // nothing to copy yet
    EXPECT_FALSE(QFile::exists(target));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older and much longer file that must be replaced entirely");
    }
    ASSERT_TRUE(log.AppendLine("a", "b", "c"));
    EXPECT_TRUE(log.CopyTo(target));
    EXPECT_EQ(ReadAll(target), QByteArray("a,b,c\r\n"));
    EXPECT_FALSE(log.CopyTo(dir.filePath("no/such/dir.txt")));
    EXPECT_TRUE(log.Remove());
    EXPECT_FALSE(log.Exists());
    EXPECT_TRUE(log.Remove());  // already gone
    EXPECT_TRUE(QFile::exists(target));
}

}  // namespace
}  // namespace teskchat
