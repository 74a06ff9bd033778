#pragma once
// A control's persistent properties by name, as a page's <param> elements give them. The host
// hands the whole bag to the control before it creates the control's window, by calling the
// control's method DISPID_LOAD_PROPERTY_BAG with the bag's text form (one BSTR); a control that
// saves its state answers DISPID_SAVE_PROPERTY_BAG with the same form. Names compare ASCII
// case-insensitively (HTML parameter names do); values are CP932 bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::com {

inline constexpr int32_t DISPID_LOAD_PROPERTY_BAG = -1000;
inline constexpr int32_t DISPID_SAVE_PROPERTY_BAG = -1001;

class PropertyBag {
public:
    // Sets a value, replacing one of the same name.
    void Write(const std::string& name, const std::string& value);
    // The value, or nullopt when the bag has no property of that name.
    std::optional<std::string> Read(const std::string& name) const;
    const std::vector<std::pair<std::string, std::string>>& Items() const { return items_; }
    bool Empty() const { return items_.empty(); }

    // "name=value" lines; '%', '=', CR and LF inside names and values are written as %XX.
    std::string ToText() const;
    // The reverse; a line without '=' or with an empty name is skipped, a bad escape is kept as is.
    static PropertyBag FromText(const std::string& text);

private:
    std::vector<std::pair<std::string, std::string>> items_;
};

}  // namespace platform::com
