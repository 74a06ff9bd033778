#pragma once
// Reader of the region list file: "id,name,url,flag" per line.
#include "plexa/data/region_entry.h"

#include <optional>
#include <string>
#include <string_view>

namespace plexa {

// Name of the list file in the install directory.
inline constexpr char kRegionListFileName[] = "Region_List.Dat";
// Temporary file in the install directory removed at shutdown.
inline constexpr char kRegionTempFileName[] = "Region.tmp";

// The entries in file order, or nothing when the file cannot be read. Lines with fewer than
// three commas (an empty line included) carry no region and are left out.
std::optional<RegionList> ReadRegionList(const std::string& cp932Path);
RegionList ParseRegionList(std::string_view bytes);

// Deletes Region.tmp in the install directory when it is there; true when it was deleted.
bool RemoveRegionTempFile(const std::string& cp932InstallDirectory);

}  // namespace plexa
