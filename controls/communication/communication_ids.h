#pragma once
// Class id, ProgID and dispids of the communication control, for hosts and tests.
#include "platform/com/guid.h"

#include <cstdint>

namespace communication {

inline const platform::com::Guid kClsid = *platform::com::Guid::FromString("{FCEFCD46-BA50-4561-9774-AEABC672725A}");
inline const platform::com::Guid kTypeLib = *platform::com::Guid::FromString("{E4517016-3B28-4DB6-9B5C-BDA32F9CC4C3}");
inline constexpr const char* kProgId = "TESKCOMMUNICATION.TeskCommunicationCtrl.1";

// Methods
constexpr int32_t kSendChatString = 6;
constexpr int32_t kSendAvatarAction = 9;
constexpr int32_t kTalkIn = 10;
constexpr int32_t kTalkOut = 11;
constexpr int32_t kLeaveRegion = 12;
constexpr int32_t kCloseEspConnection = 14;
constexpr int32_t kOpenServer = 18;
constexpr int32_t kSendEspString = 19;
constexpr int32_t kSendAvatarPose = 20;
constexpr int32_t kCloseServer = 22;
constexpr int32_t kEnterRegion = 23;
constexpr int32_t kOpenEspConnection = 25;
// Properties
constexpr int32_t kClientId = 1;       // I2, read
constexpr int32_t kEspAccept = 5;      // BOOL, write
constexpr int32_t kCallTimeout = 100;  // I4 milliseconds a call waits for the server's answer
constexpr int32_t kKeepaliveInterval = 101;  // I4 ms between pings; silent three times: disconnected
// I4, read: why the last ServerDisconnected came. The server's goodbye reason (0 shutdown,
// 1 kicked, 2 protocol error, 3 flooding, 4 too slow, 5 timeout, 6 too many connections), or
// -1 when the connection just ended and -2 when the server fell silent.
constexpr int32_t kDisconnectReason = 102;
constexpr int32_t kDisconnectText = 103;  // BSTR, read: the server's own words with its goodbye
// Events
constexpr int32_t kAvatarEntered = 1;
constexpr int32_t kAvatarLeft = 2;
constexpr int32_t kEspClosed = 3;
constexpr int32_t kAdminMessage = 4;
constexpr int32_t kAvatarPresent = 5;
constexpr int32_t kRegionClosed = 6;
constexpr int32_t kServerDisconnected = 7;
constexpr int32_t kEspStringReceived = 8;
constexpr int32_t kAvatarMoved = 9;
constexpr int32_t kChatStringReceived = 10;
constexpr int32_t kAvatarActed = 11;
constexpr int32_t kEspRequested = 12;

}  // namespace communication
