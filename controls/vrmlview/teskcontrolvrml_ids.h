#pragma once
// Identity of the VRML view control; hosts hold their own copies of these values.
namespace teskcontrolvrml {
inline constexpr const char* kClassId = "{D2D50BB9-3C30-40ED-B8A3-1281A18B38CB}";
inline constexpr const char* kTypeLibId = "{D4908DC3-CD26-4565-AAB5-7011B5A46D5A}";
inline constexpr const char* kProgId = "TESKCONTROLVRML.TeskControlVrmlCtrl.1";
}  // namespace teskcontrolvrml
