#pragma once
// Class ids of the recording stand-ins for the panel's three child controls, and the dispids of
// the test channel every stand-in adds to the real interface.
#include "platform/com/guid.h"

#include <cstdint>

namespace session_doubles {

// {6C1F4A90-2B1E-4D6A-9E41-0A5D3C7B1001}
inline constexpr platform::com::Guid kChatClsid{0x6C1F4A90, 0x2B1E, 0x4D6A, {0x9E, 0x41, 0x0A, 0x5D, 0x3C, 0x7B, 0x10, 0x01}};
// {6C1F4A90-2B1E-4D6A-9E41-0A5D3C7B1002}
inline constexpr platform::com::Guid kViewClsid{0x6C1F4A90, 0x2B1E, 0x4D6A, {0x9E, 0x41, 0x0A, 0x5D, 0x3C, 0x7B, 0x10, 0x02}};
// {6C1F4A90-2B1E-4D6A-9E41-0A5D3C7B1003}
inline constexpr platform::com::Guid kCommunicationClsid{0x6C1F4A90, 0x2B1E, 0x4D6A, {0x9E, 0x41, 0x0A, 0x5D, 0x3C, 0x7B, 0x10, 0x03}};
// {6C1F4A90-2B1E-4D6A-9E41-0A5D3C7B10FF}
inline constexpr platform::com::Guid kTypeLib{0x6C1F4A90, 0x2B1E, 0x4D6A, {0x9E, 0x41, 0x0A, 0x5D, 0x3C, 0x7B, 0x10, 0xFF}};

inline constexpr const char* kModuleFile = "sessiondoubles.ocx";

// The test channel.
enum TestDispid : int32_t {
    kCallCount = 9001,   // () -> I4: calls recorded so far
    kCallText = 9002,    // (I4 index) -> BSTR: "Name(arg,arg)" for a method, "Name=arg" for a property put
    kClearCalls = 9003,  // ()
    kSetResult = 9004,   // (I4 dispid, any): the result of every later call or get of dispid
    kPushResult = 9005,  // (I4 dispid, any): the result of the next call of dispid only
    kPushEventArg = 9006,  // (any): one more argument for the next fired event
    kFireEvent = 9007,     // (I4 event): fires the event with the pushed arguments, then forgets them
};

}  // namespace session_doubles
