// Any bytes as a web page: the object reader and the choice of the control's parameters must
// neither crash nor read outside the input.
#include "host/container/container_arguments.h"
#include "host/container/html_object_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string html(reinterpret_cast<const char*>(data), size);
    const auto objects = HtmlObjectReader::Read(html);
    for (const HtmlObject& object : objects) {
        (void)object.Param("SRC");
        (void)object.Attribute("classid");
    }
    const platform::com::Guid clsid{0x78DAB892, 0xD3DF, 0x4A48, {0xB4, 0xE8, 0x4E, 0xC1, 0x07, 0xEF, 0x0D, 0x8F}};
    if (auto bag = ContainerArguments::FromPage(html, QStringLiteral("/pages"), clsid)) {
        const auto back = platform::com::PropertyBag::FromText(bag->ToText());
        if (back.Items() != bag->Items()) __builtin_trap();
    }
    return 0;
}
