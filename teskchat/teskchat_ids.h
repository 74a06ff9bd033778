#pragma once
// The chat control's identifiers: class ids, interface ids and dispatch ids. A host knows the
// control's class id and these dispids only; it never includes this module's headers.
#include "platform/com/guid.h"

#include <cstdint>

namespace teskchat {

// {E1C9325F-7A24-4F96-B0B0-117783E8194C}
inline constexpr platform::com::Guid kTypeLibId{0xE1C9325F, 0x7A24, 0x4F96, {0xB0, 0xB0, 0x11, 0x77, 0x83, 0xE8, 0x19, 0x4C}};
// {F5AC3DD8-0243-4F77-8836-15CE28F5A815}
inline constexpr platform::com::Guid kTeskChatClsid{0xF5AC3DD8, 0x0243, 0x4F77, {0x88, 0x36, 0x15, 0xCE, 0x28, 0xF5, 0xA8, 0x15}};
// {B5C32E08-80F1-43AC-B466-6F4C7942338E}
inline constexpr platform::com::Guid kTeskChatPropPageClsid{0xB5C32E08, 0x80F1, 0x43AC, {0xB4, 0x66, 0x6F, 0x4C, 0x79, 0x42, 0x33, 0x8E}};
// {8653528F-3FA5-4951-B7E4-01BD6FFDD818}  _DTeskChat
inline constexpr platform::com::Guid kDTeskChatIid{0x8653528F, 0x3FA5, 0x4951, {0xB7, 0xE4, 0x01, 0xBD, 0x6F, 0xFD, 0xD8, 0x18}};
// {FB1D5DDB-4F85-4B28-B3E8-9FF31030F55F}  _DTeskChatEvents
inline constexpr platform::com::Guid kDTeskChatEventsIid{0xFB1D5DDB, 0x4F85, 0x4B28, {0xB3, 0xE8, 0x9F, 0xF3, 0x10, 0x30, 0xF5, 0x5F}};

inline constexpr const char* kTeskChatProgId = "TESKCHAT.TeskChatCtrl.1";
inline constexpr const char* kTeskChatPropPageProgId = "TESKCHAT.TeskChatPropPage.1";
inline constexpr const char* kTypeLibName = "TESKCHATLib";

// activate-when-visible, set-client-site-first, inside-out, can't-link-inside, recompose-on-resize
inline constexpr uint32_t kMiscStatus = 0x100 | 0x20000 | 0x80 | 0x10 | 0x1;

// _DTeskChat
enum TeskChatDispid : int32_t {
    DISPID_SaveEspPrefix = 1,
    DISPID_SaveEspDir = 2,
    DISPID_SaveChatPrefix = 3,
    DISPID_SaveChatDir = 4,
    DISPID_EspAutoSave = 5,
    DISPID_ChatAutoSave = 6,
    DISPID_ConfirmSave = 7,
    DISPID_AvatarName = 8,
    DISPID_UserId = 9,
    DISPID_WriteChatString = 10,
    DISPID_WriteEspString = 11,
    DISPID_CloseEspWindow = 12,
    DISPID_SaveChat = 13,
    DISPID_Delete = 14,
    DISPID_SetChatFont = 15,
    DISPID_ChangeModeGhost = 16,
    DISPID_ChangeModeAvatar = 17,
    DISPID_Create = 18,
    DISPID_OpenEspWindow = 19,
    // The lines the last Delete took from the view come back (after the host re-entered by itself).
    DISPID_RestoreChat = 20,
};

// _DTeskChatEvents
enum TeskChatEventDispid : int32_t {
    DISPID_ReadChatString = 1,
    DISPID_ReadEspString = 2,
    DISPID_ClosedEspConnection = 3,
    DISPID_NotifyEspConnection = 4,
};

}  // namespace teskchat
