#pragma once
// One line of the region list (Region_List.Dat). Texts are the file's bytes (CP932).
#include <string>
#include <vector>

namespace plexa {

struct RegionEntry {
    std::string name;  // shown in the region selection list
    std::string url;   // handed to region entry, which maps it to a local scene file
    bool hidden = true;  // hidden regions are never listed
};

using RegionList = std::vector<RegionEntry>;

}  // namespace plexa
