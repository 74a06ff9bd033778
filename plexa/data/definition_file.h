#pragma once
// Reader of the avatar definition file (Avatar_User.dat): sections of keyword lines.
#include "plexa/data/avatar_definition.h"

#include <string>
#include <string_view>

namespace plexa {

// The sections in file order; empty when the file cannot be opened (no message: callers then
// simply find no avatar). The path is CP932 text.
AvatarDefinitionList ParseDefinitionFile(const std::string& cp932Path);

// The same reading over bytes already in memory.
AvatarDefinitionList ParseDefinitionText(std::string_view bytes);

}  // namespace plexa
