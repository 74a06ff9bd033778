// Region list reader on arbitrary bytes.
#include "plexa/data/region_list.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto list = plexa::ParseRegionList(std::string_view(reinterpret_cast<const char*>(data), size));
    size_t total = 0;
    for (const auto& entry : list) total += entry.name.size() + entry.url.size() + entry.hidden;
    return total == static_cast<size_t>(-1);
}
