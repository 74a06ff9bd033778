#pragma once
// The class ids the panel creates its three child controls from. Tests put recording stand-ins
// in their place.
#include "platform/com/guid.h"

namespace plexa {

struct ChildControlClasses {
    platform::com::Guid chat;
    platform::com::Guid view;
    platform::com::Guid communication;

    // The installed chat, 3D view and communication controls.
    static ChildControlClasses Installed();
};

}  // namespace plexa
