// Avatar definition file reader on arbitrary bytes.
#include "plexa/data/definition_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto list = plexa::ParseDefinitionText(std::string_view(reinterpret_cast<const char*>(data), size));
    size_t total = 0;
    for (const auto& definition : list) {
        total += definition.sectionName.size() + definition.buttons.size();
        for (const auto& button : definition.buttons) total += button.label.size();
    }
    return total == static_cast<size_t>(-1);
}
