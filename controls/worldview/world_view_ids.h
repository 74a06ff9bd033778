#pragma once
// Identity of the WorldView preview control; hosts hold their own copies of these values.
namespace worldview {
inline constexpr const char* kClassId = "{712EE935-558F-458E-B826-385FF4F58AE3}";
inline constexpr const char* kTypeLibId = "{8D4512E3-0822-4A50-9E55-4FA3920323A9}";
inline constexpr const char* kProgId = "VRMLBROWSER.WorldViewCtrl.1";
}  // namespace worldview
