// Bans and closed regions: kept across a reload, expired bans lapse, a damaged file costs only
// its damaged lines, and a failed write leaves the old file whole.
#include "server/moderation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace server {
namespace {

using namespace std::chrono_literals;
using Time = Moderation::Time;

class ModerationTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moneko-moderation-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = pattern;
        path = root + "/data/bans";
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    std::string Read() const {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string root, path;
};

TEST_F(ModerationTest, SurvivesAReload) {
    const Time now = std::chrono::system_clock::now();
    Moderation m(path);
    std::string error;
    ASSERT_TRUE(m.Load(&error)) << error;  // no file yet: empty
    m.AddBan("7F000001", Time{});
    m.AddBan("20010DB8000000000000000000000001", now + 10min);
    m.CloseRegion(std::string("room\x00\n\x82\xA0 x", 9));
    ASSERT_TRUE(m.Save(&error)) << error;
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    Moderation again(path);
    ASSERT_TRUE(again.Load(&error)) << error;
    EXPECT_TRUE(again.IsBanned("7F000001", now + 1000h));
    EXPECT_TRUE(again.IsBanned("20010DB8000000000000000000000001", now + 9min));
    EXPECT_FALSE(again.IsBanned("20010DB8000000000000000000000001", now + 11min));
    EXPECT_FALSE(again.IsBanned("7F000002", now));
    EXPECT_TRUE(again.IsClosed(std::string("room\x00\n\x82\xA0 x", 9)));
    EXPECT_FALSE(again.IsClosed("room"));
}

TEST_F(ModerationTest, ExpiredBansLapseAndUnbanAndOpenUndo) {
    const Time now = std::chrono::system_clock::now();
    Moderation m;
    m.AddBan("01020304", now + 1min);
    m.AddBan("7F000001", Time{});
    EXPECT_EQ(m.Bans(now).size(), 2u);
    EXPECT_EQ(m.Bans(now + 2min).size(), 1u);  // the lapsed one is forgotten
    EXPECT_TRUE(m.RemoveBan("7F000001"));
    EXPECT_FALSE(m.RemoveBan("7F000001"));
    EXPECT_FALSE(m.IsBanned("7F000001", now));
    m.CloseRegion("r");
    EXPECT_TRUE(m.OpenRegion("r"));
    EXPECT_FALSE(m.OpenRegion("r"));
}

TEST_F(ModerationTest, DamagedLinesAreSkippedAndNamed) {
    std::filesystem::create_directories(root + "/data");
    std::ofstream(path) << "# comment\n"
                           "ban 7F000001 0\n"
                           "ban 7F000002\n"            // no time
                           "ban localhost 0\n"         // not a key
                           "ban 7f000003 0\n"          // keys are written upper case
                           "closed 7Z\n"
                           "closed 726F6F6D\n"
                           "ban 7F000004 0 extra\n"
                           "frobnicate\n";
    Moderation m(path);
    std::string error;
    std::vector<std::string> skipped;
    ASSERT_TRUE(m.Load(&error, &skipped)) << error;
    EXPECT_TRUE(m.IsBanned("7F000001"));
    EXPECT_TRUE(m.IsClosed("room"));
    EXPECT_EQ(m.Bans().size(), 1u);
    EXPECT_EQ(skipped.size(), 6u);
}

TEST_F(ModerationTest, UnreadableFileIsAnErrorNotAnEmptyList) {
    std::filesystem::create_directories(path);  // a folder where the file should be
    Moderation m(path);
    std::string error;
    EXPECT_FALSE(m.Load(&error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST_F(ModerationTest, FailedWriteKeepsTheOldFile) {
    Moderation m(path);
    std::string error;
    m.AddBan("7F000001", Time{});
    ASSERT_TRUE(m.Save(&error)) << error;
    const std::string before = Read();
    // The temporary file cannot be made: a folder is in its way.
    std::filesystem::create_directories(path + ".new/x");
    m.AddBan("7F000002", Time{});
    EXPECT_FALSE(m.Save(&error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(Read(), before);
}

}  // namespace
}  // namespace server
