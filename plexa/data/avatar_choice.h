#pragma once
// One avatar the chooser lists: installed (a directory under AvatarData) and described (a section
// of the definition file). Paths are CP932 text joined with '/'.
#include <string>

namespace plexa {

struct AvatarChoice {
    std::string directoryPath;  // the avatar's directory
    std::string directoryName;  // its name as the file system gives it
    std::string vrmlPath;       // directory path + "/" + the record's VRML file name
    std::string imagePath;      // directory path + "/" + the record's image file name
};

}  // namespace plexa
