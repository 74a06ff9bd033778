#include "plexa/data/avatar_data_store.h"

#include "platform/text/cp932.h"
#include "plexa/data/definition_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "plexa/settings/settings_store.h"

#include <gtest/gtest.h>

namespace plexa {
namespace {

AvatarDefinitionList ThreeAvatars() {
    return ParseDefinitionText("[bird]\nVRML=x/bird.wrl\n[cat01]\nVRML=x/cat.wrl\n[dog]\nVRML=x/dog.wrl\n");
}

TEST(AvatarDataStore, NumberSelectsFilePosition) {
    const auto list = ThreeAvatars();
    EXPECT_EQ(FindDefinitionByNumber(list, "3")->sectionName, "dog");
    EXPECT_EQ(FindDefinitionByNumber(list, "2abc")->sectionName, "cat01");
    for (const char* first : {"1", "0", "-2", "abc", ""})
        EXPECT_EQ(FindDefinitionByNumber(list, first)->sectionName, "bird") << first;
    EXPECT_EQ(FindDefinitionByNumber(list, "4"), nullptr);
    EXPECT_EQ(FindDefinitionByNumber(list, "99999999999"), nullptr);
    EXPECT_EQ(FindDefinitionByNumber({}, "1"), nullptr);
}

TEST(AvatarDataStore, DirectoryNameIgnoresAsciiCaseOnly) {
    const auto list = ParseDefinitionText("[cat01]\n[" + platform::Sjis("ソA") + "]\n");
    EXPECT_EQ(FindDefinitionByDirectoryName(list, "CAT01"), &list[0]);
    EXPECT_EQ(FindDefinitionByDirectoryName(list, platform::Sjis("ソa")), &list[1]);
    // ソ's trail byte 0x5C is no letter; a lead byte followed by 'A'-like trail must not fold.
    const auto kana = ParseDefinitionText(std::string("[\x83\x41]\n"));  // ア
    EXPECT_EQ(FindDefinitionByDirectoryName(kana, std::string("\x83\x61")), nullptr);
    EXPECT_EQ(FindDefinitionByDirectoryName(list, "cat0"), nullptr);
}

TEST(AvatarDataStore, Paths) {
    const auto list = ThreeAvatars();
    EXPECT_EQ(AvatarDataPath("/opt/m"), "/opt/m/AvatarData");
    EXPECT_EQ(DefinitionFilePath("/opt/m"), "/opt/m/AvatarData/Avatar_User.dat");
    EXPECT_EQ(AvatarModelPath("/opt/m", list[1]), "/opt/m/AvatarData/cat01/cat.wrl");
}

TEST(AvatarDataStore, ChangeNotice) {
    OwnAvatarValues before{"/d", "cat01", "/d/cat01/cat.wrl", "/d/cat01/cat.bmp", "Mike", 2};
    EXPECT_FALSE(IsOwnAvatarComplete(OwnAvatarValues{}));
    EXPECT_TRUE(IsOwnAvatarComplete(before));

    const OwnAvatarValues same = ApplyAvatarChoice(before, "cat01", "/d/cat01/cat.wrl", "/d/cat01/cat.bmp", 1);
    EXPECT_FALSE(AvatarChangeNeedsNotice(before, same));

    OwnAvatarValues renamed = before;
    renamed.avatarName = "mike";
    EXPECT_TRUE(AvatarChangeNeedsNotice(before, renamed));

    const OwnAvatarValues other = ApplyAvatarChoice(before, "dog", "/d/dog/dog.wrl", "/d/dog/dog.bmp", 2);
    EXPECT_EQ(other.avatarNo, 3);
    EXPECT_EQ(other.directoryName, "dog");
    EXPECT_EQ(other.avatarName, "Mike");
    EXPECT_TRUE(AvatarChangeNeedsNotice(before, other));
}

class OwnAvatarSettingsTest : public platform::registry::RegistryTestEnv {};

TEST_F(OwnAvatarSettingsTest, ValuesRoundTripThroughTheSettings) {
    using namespace platform::registry;
    HKEY key = nullptr;
    const std::string avatarKey = std::string(CSettingsStore::kProductKey) + "Talkin\\Avatar";
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, avatarKey.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    CSettingsStore settings;
    const OwnAvatarValues empty = ReadOwnAvatarValues(settings);
    EXPECT_FALSE(IsOwnAvatarComplete(empty));
    EXPECT_EQ(empty.avatarNo, 0);
    const OwnAvatarValues chosen{"/i/AvatarData", "cat", "/i/AvatarData/cat/cat.wrl", "/i/AvatarData/cat/cat.bmp",
                                 "Mike", 3};
    WriteOwnAvatarValues(settings, chosen);
    const OwnAvatarValues read = ReadOwnAvatarValues(settings);
    EXPECT_EQ(read.directory, chosen.directory);
    EXPECT_EQ(read.vrmlFileName, chosen.vrmlFileName);
    EXPECT_EQ(read.imageFileName, chosen.imageFileName);
    EXPECT_FALSE(AvatarChangeNeedsNotice(chosen, read));
}

}  // namespace
}  // namespace plexa
