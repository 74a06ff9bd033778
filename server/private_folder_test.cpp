// Private folders: made private, used when private and ours, refused otherwise with the name.
#include "server/private_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace server {
namespace {

class PrivateFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moneko-private-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    static unsigned ModeOf(const std::string& path) {
        struct stat st{};
        return ::lstat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0xFFFF;
    }
    std::string root;
};

TEST_F(PrivateFolderTest, MakesMissingFoldersPrivate) {
    std::string error;
    const std::string path = root + "/a/b/run";
    ASSERT_TRUE(MakePrivateFolder(path, &error)) << error;
    EXPECT_EQ(ModeOf(path), 0700u);
    EXPECT_EQ(ModeOf(root + "/a"), 0700u);
    // Made again: already there, still fine.
    EXPECT_TRUE(MakePrivateFolder(path, &error)) << error;
}

TEST_F(PrivateFolderTest, RefusesAFolderOthersCanEnter) {
    const std::string path = root + "/shared";
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0777), 0);
    std::string error;
    EXPECT_FALSE(MakePrivateFolder(path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("0777"), std::string::npos) << error;
    // Left as it was: not ours to change.
    EXPECT_EQ(ModeOf(path), 0777u);
}

TEST_F(PrivateFolderTest, OwnFolderMayBeReadableButNotWritableByOthers) {
    const std::string path = root + "/data";
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    std::string error;
    EXPECT_TRUE(MakeOwnFolder(path, &error)) << error;
    EXPECT_FALSE(MakePrivateFolder(path, &error));
    ASSERT_EQ(::chmod(path.c_str(), 0775), 0);
    EXPECT_FALSE(MakeOwnFolder(path, &error));
    EXPECT_NE(error.find("only writable by"), std::string::npos) << error;
}

TEST_F(PrivateFolderTest, RefusesALinkInPlaceOfTheFolder) {
    const std::string target = root + "/elsewhere", path = root + "/run";
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    std::string error;
    EXPECT_FALSE(MakePrivateFolder(path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST_F(PrivateFolderTest, RefusesAFolderOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
    const std::string path = root + "/theirs";
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    std::string error;
    EXPECT_FALSE(MakePrivateFolder(path, &error));
    EXPECT_NE(error.find("65534"), std::string::npos) << error;
}

}  // namespace
}  // namespace server
