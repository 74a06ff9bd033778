#pragma once
// The host control's string table.
#include "platform/ui/string_table.h"

namespace plexa::res {

const platform::ui::StringTable& PlexaStrings();

}  // namespace plexa::res
