#pragma once
// Identity of the VRML view control; hosts hold their own copies of these values.
namespace teskcontrolvrml {
inline constexpr const char* kClassId = "{D2D50BB9-3C30-40ED-B8A3-1281A18B38CB}";
inline constexpr const char* kTypeLibId = "{D4908DC3-CD26-4565-AAB5-7011B5A46D5A}";
inline constexpr const char* kProgId = "TESKCONTROLVRML.TeskControlVrmlCtrl.1";

// Diagnostics beyond the hosts' interface, read only, for tests and support tools:
// method 100 AvatarState(I2 client id) -> BSTR "id,x,y,z,visible": where the avatar is drawn now
//   (millimetres, rounded) and 1 when the user can see it (in the picture, not hidden behind the
//   scene or another figure), else 0; an empty text for an unknown id.
// property 101 AvatarCount (get only) -> I4: the avatars in the view, the own one included.
// method 102 OwnClientId() -> I2: the avatar the view follows, -1 before AttachViewpoint.
inline constexpr int kAvatarStateDispid = 100;
inline constexpr int kAvatarCountDispid = 101;
// property 103 LoadWarnings (get only) -> BSTR: what the last loaded world had that could not
//   be shown, one "file:line: what" a line.
// event 2 DownloadProgress(BSTR address, I4 bytes received, I4 bytes in all or -1 while unknown):
//   fired while a web world or one of its Inlines downloads, for a host's status line.
inline constexpr int kOwnClientIdDispid = 102;
inline constexpr int kLoadWarningsDispid = 103;
inline constexpr int kDownloadProgressEventDispid = 2;
}  // namespace teskcontrolvrml
