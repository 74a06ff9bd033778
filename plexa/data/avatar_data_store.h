#pragma once
// Where avatar files live and how an avatar number or directory name finds its definition.
// Paths are CP932 text joined with '/'.
#include "plexa/data/avatar_definition.h"

#include <cstdint>
#include <string>
#include <string_view>

class CSettingsStore;

namespace plexa {

inline constexpr char kAvatarDataDirectoryName[] = "AvatarData";
inline constexpr char kDefinitionFileName[] = "Avatar_User.dat";
inline constexpr char kButtonDirectoryName[] = "Button";

// install directory + "/AvatarData"
std::string AvatarDataPath(const std::string& installDirectory);
// install directory + "/AvatarData/Avatar_User.dat"
std::string DefinitionFilePath(const std::string& installDirectory);

// The record at the 1-based position the number text gives, read the way atoi reads it; one or
// less selects the first. Null when the list is empty or the number lies past its end.
const AvatarDefinition* FindDefinitionByNumber(const AvatarDefinitionList& list, std::string_view numberText);

// The first record whose section name equals the directory name, ASCII letters compared
// without regard to case (double-byte characters compare unchanged). Null when none does.
const AvatarDefinition* FindDefinitionByDirectoryName(const AvatarDefinitionList& list, std::string_view directoryName);

// install directory + "/AvatarData/" + section name + "/" + VRML file name: the model given to
// the 3D view for another participant's avatar.
std::string AvatarModelPath(const std::string& installDirectory, const AvatarDefinition& definition);

// The own avatar as the Talkin\Avatar settings keep it.
struct OwnAvatarValues {
    std::string directory;      // the AvatarData path
    std::string directoryName;  // the chosen avatar's section name
    std::string vrmlFileName;   // full path of its model
    std::string imageFileName;  // full path of its preview bitmap
    std::string avatarName;     // ASCII letters and digits
    int32_t avatarNo = 0;       // 1-based chooser position; 0 = none chosen
};

// The six Talkin\Avatar values; written in the order Directory, DirectoryName, VrmlFileName,
// ImageFileName, AvatarName, AvatarNo.
OwnAvatarValues ReadOwnAvatarValues(const CSettingsStore& settings);
void WriteOwnAvatarValues(CSettingsStore& settings, const OwnAvatarValues& values);

// Enough to enter a region: every path value set.
bool IsOwnAvatarComplete(const OwnAvatarValues& values);

// The values an avatar choice gives: directory path and name of the chosen avatar, its model
// and preview paths and its 0-based chooser position. The name and data path stay as they were.
OwnAvatarValues ApplyAvatarChoice(OwnAvatarValues values, const std::string& directoryName,
                                  const std::string& vrmlPath, const std::string& imagePath, int position);

// True when the user must be told that the new avatar appears from the next entry on: the
// number or the name (byte for byte) differs from before the options sheet opened.
bool AvatarChangeNeedsNotice(const OwnAvatarValues& before, const OwnAvatarValues& after);

}  // namespace plexa
