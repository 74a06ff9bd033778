#pragma once
// Identifiers of the test module's classes and members, shared by the module and the tests.
#include "platform/com/guid.h"

namespace moneko_test {

inline constexpr platform::com::Guid kTypeLib{0x6D0E7A10, 0x51C2, 0x4B8E, {0x9A, 0x11, 0x3C, 0x52, 0x7E, 0x01, 0x00, 0x01}};
inline constexpr platform::com::Guid kControlClsid{0x6D0E7A10, 0x51C2, 0x4B8E, {0x9A, 0x11, 0x3C, 0x52, 0x7E, 0x01, 0x00, 0x02}};
inline constexpr platform::com::Guid kPageClsid{0x6D0E7A10, 0x51C2, 0x4B8E, {0x9A, 0x11, 0x3C, 0x52, 0x7E, 0x01, 0x00, 0x03}};
inline constexpr const char* kControlProgId = "MONEKOTEST.TestCtrl.1";
inline constexpr const char* kPageProgId = "MONEKOTEST.TestPropPage.1";
// Written by the module's extra registration step and removed again by its unregistration.
inline constexpr const char* kExtraKey = ".monekotest";
// Set to make the module's start fail.
inline constexpr const char* kFailStartEnv = "MONEKO_TESTMODULE_FAIL_START";

enum Dispid : int32_t {
    kAdd = 1,      // (I4, I4) -> I4
    kCaption = 2,  // BSTR property; shown in the window
    kPing = 3,     // (BSTR, I2) -> BOOL; fires kPinged(text, n + 1)
    kCount = 4,    // I4, read only: pings so far
    kScale = 5,    // (R4) -> R4, doubled
    kFail = 6,     // throws inside the control
    kFlag = 7,     // BOOL, write only
};
enum EventDispid : int32_t { kPinged = 1 };

}  // namespace moneko_test
