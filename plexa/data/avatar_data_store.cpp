#include "plexa/data/avatar_data_store.h"

#include "platform/text/byte_text.h"
#include "plexa/settings/settings_store.h"

namespace plexa {

std::string AvatarDataPath(const std::string& installDirectory) {
    return installDirectory + "/" + kAvatarDataDirectoryName;
}

std::string DefinitionFilePath(const std::string& installDirectory) {
    return AvatarDataPath(installDirectory) + "/" + kDefinitionFileName;
}

const AvatarDefinition* FindDefinitionByNumber(const AvatarDefinitionList& list, std::string_view numberText) {
    if (list.empty()) return nullptr;
    const int32_t number = platform::CAtoi(numberText);
    if (number <= 1) return &list.front();
    if (static_cast<size_t>(number) > list.size()) return nullptr;
    return &list[static_cast<size_t>(number) - 1];
}

const AvatarDefinition* FindDefinitionByDirectoryName(const AvatarDefinitionList& list, std::string_view directoryName) {
    const std::string wanted = platform::AsciiLower(directoryName);
    for (const AvatarDefinition& definition : list)
        if (platform::AsciiLower(definition.sectionName) == wanted) return &definition;
    return nullptr;
}

std::string AvatarModelPath(const std::string& installDirectory, const AvatarDefinition& definition) {
    return AvatarDataPath(installDirectory) + "/" + definition.sectionName + "/" + definition.vrmlFileName;
}

OwnAvatarValues ReadOwnAvatarValues(const CSettingsStore& settings) {
    return OwnAvatarValues{settings.GetAvatarDirectory(), settings.GetDirectoryName(), settings.GetVrmlFileName(),
                           settings.GetImageFileName(), settings.GetAvatarName(), settings.GetAvatarNo()};
}

void WriteOwnAvatarValues(CSettingsStore& settings, const OwnAvatarValues& values) {
    settings.SetAvatarDirectory(values.directory);
    settings.SetDirectoryName(values.directoryName);
    settings.SetVrmlFileName(values.vrmlFileName);
    settings.SetImageFileName(values.imageFileName);
    settings.SetAvatarName(values.avatarName);
    settings.SetAvatarNo(values.avatarNo);
}

bool IsOwnAvatarComplete(const OwnAvatarValues& values) {
    return !values.directory.empty() && !values.directoryName.empty() && !values.vrmlFileName.empty() &&
           !values.imageFileName.empty();
}

OwnAvatarValues ApplyAvatarChoice(OwnAvatarValues values, const std::string& directoryName,
                                  const std::string& vrmlPath, const std::string& imagePath, int position) {
    values.directoryName = directoryName;
    values.vrmlFileName = vrmlPath;
    values.imageFileName = imagePath;
    values.avatarNo = position + 1;
    return values;
}

bool AvatarChangeNeedsNotice(const OwnAvatarValues& before, const OwnAvatarValues& after) {
    return before.avatarNo != after.avatarNo || before.avatarName != after.avatarName;
}

}  // namespace plexa
