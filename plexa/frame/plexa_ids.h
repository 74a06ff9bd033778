#pragma once
// The host control's fixed identifiers and dispatch ids, for the module and for hosts that
// script the control by dispid.
#include "platform/com/guid.h"

#include <cstdint>

namespace plexa {

// {EBBB5391-69F5-455C-8C42-8DFC096EDA0C}
inline constexpr platform::com::Guid kPlexaTypeLib{
    0xEBBB5391, 0x69F5, 0x455C, {0x8C, 0x42, 0x8D, 0xFC, 0x09, 0x6E, 0xDA, 0x0C}};
// {78DAB892-D3DF-4A48-B4E8-4EC107EF0D8F}
inline constexpr platform::com::Guid kPlexaCtrlClsid{
    0x78DAB892, 0xD3DF, 0x4A48, {0xB4, 0xE8, 0x4E, 0xC1, 0x07, 0xEF, 0x0D, 0x8F}};
// {1FBD35B2-0BA1-42AE-BD2B-AE4966D71D1B}
inline constexpr platform::com::Guid kPlexaPropPageClsid{
    0x1FBD35B2, 0x0BA1, 0x42AE, {0xBD, 0x2B, 0xAE, 0x49, 0x66, 0xD7, 0x1D, 0x1B}};
// _DPlexa {4A1D9080-DE32-4DCF-B4AC-68808574B69D}
inline constexpr platform::com::Guid kDPlexaIid{
    0x4A1D9080, 0xDE32, 0x4DCF, {0xB4, 0xAC, 0x68, 0x80, 0x85, 0x74, 0xB6, 0x9D}};
// _DPlexaEvents {BDDDE6B4-281D-4D95-BAD5-71AECC679B7D}
inline constexpr platform::com::Guid kDPlexaEventsIid{
    0xBDDDE6B4, 0x281D, 0x4D95, {0xBA, 0xD5, 0x71, 0xAE, 0xCC, 0x67, 0x9B, 0x7D}};

inline constexpr const char* kPlexaCtrlProgId = "PLEXA.PlexaCtrl.1";
inline constexpr const char* kPlexaPropPageProgId = "PLEXA.PlexaPropPage.1";
inline constexpr uint32_t kPlexaMiscStatus = 0x20191;

// _DPlexa
inline constexpr int32_t kDispidWorld = 1;  // BSTR property; reads empty

// Initial size of the control's window, in pixels.
inline constexpr int kPlexaInitialWidth = 680;
inline constexpr int kPlexaInitialHeight = 420;

}  // namespace plexa
