#include "plexa/session/avatar_pose.h"

#include "platform/com/control_base.h"

namespace plexa {

void AvatarPose::AppendTo(std::vector<platform::com::Variant>& args) const {
    for (float v : values) args.push_back(platform::com::Variant::R4(v));
}

bool AvatarPose::Read(const std::vector<platform::com::Variant>& args, size_t first, AvatarPose* out) {
    if (args.size() < first + 6) return false;
    AvatarPose pose;
    for (size_t i = 0; i < 6; ++i) {
        platform::com::Variant v;
        if (!platform::com::ControlBase::ConvertTo(args[first + i], platform::com::VarType::R4, &v)) return false;
        pose.values[i] = v.AsR4();
    }
    *out = pose;
    return true;
}

}  // namespace plexa
