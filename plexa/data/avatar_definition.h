#pragma once
// One section of the avatar definition file. Every text holds the file's bytes (CP932) unchanged.
#include <string>
#include <vector>

namespace plexa {

// A TEXTURE or BUTTON line: the value after '=' and the text after the line's last '/'.
struct DefinitionAsset {
    std::string url;
    std::string fileName;
    // "BUTTON:name=..." names the gesture; readers that know only "BUTTON=" skip the name, as
    // anything between a keyword and '=' is theirs to ignore. Empty when the line names none.
    std::string label;
};

struct AvatarDefinition {
    std::string sectionName;  // also the avatar's directory under AvatarData
    std::string date;
    std::string vrmlUrl;
    std::string vrmlFileName;
    std::string imageUrl;
    std::string imageFileName;
    std::vector<DefinitionAsset> textures;
    std::vector<DefinitionAsset> buttons;  // action buttons, in file order
};

// File order matters: the 1-based position is the avatar number sent over the wire.
using AvatarDefinitionList = std::vector<AvatarDefinition>;

}  // namespace plexa
