#pragma once
// The VRML view control (control 227): renders the region and every avatar in it.
#include "plexa/session/avatar_pose.h"
#include "plexa/session/child_control.h"

#include <cstdint>
#include <string>

namespace plexa {

class CTeskControlVrml : public ChildControl {
public:
    enum Dispid : int32_t {
        kDithering = 1, kFullColor = 2, kTexture = 3, kHighQualityTexture = 4, kHeadLightOn = 5, kCollision = 6,
        kGraphicMode = 7, kGraphicModeMoving = 8, kAvatarModelFile = 9,
        kRevert = 12, kChangeWalkthroughMode = 13, kChangeWalkthroughSpeed = 14, kDeleteAvatar = 15,
        kControlAvatar = 16, kMoveAvatar = 17, kSetSound = 18, kStraightUp = 19, kCreateAvatar = 22,
        kLoadVrmlFile = 27, kAttachViewpoint = 28,
    };
    // kDownloadProgress: (address, bytes received, bytes in all or -1) while a web world loads.
    enum Event : int32_t { kViewpointMoved = 1, kDownloadProgress = 2 };
    enum Mode : int32_t { kWalk = 0, kPan = 1, kTurn = 2, kRoll = 3, kStudy = 4, kGoto = 5 };

    // Properties 1 to 6 are flags, 7 and 8 numbers.
    void SetFlagProperty(int32_t dispid, int32_t flag) { PutProperty(dispid, platform::com::Variant::Bool(flag != 0)); }
    void SetNumberProperty(int32_t dispid, int32_t value) { PutProperty(dispid, platform::com::Variant::I4(value)); }
    void SetAvatarModelFile(const std::string& path) { PutProperty(kAvatarModelFile, platform::com::Variant::Bstr(path)); }

    // 1 loaded, -1 failed (also when the call itself fails).
    int16_t LoadVrmlFile(const std::string& address);
    bool ChangeWalkthroughMode(int32_t mode);
    bool ChangeWalkthroughSpeed(int32_t speed);
    bool Revert();
    bool StraightUp();
    bool SetSound(bool on);
    bool CreateAvatar(int16_t clientId, const std::string& userId, const std::string& avatarName,
                      const std::string& avatarNumber, int16_t presence, const AvatarPose& pose);
    bool DeleteAvatar(int16_t clientId);
    bool MoveAvatar(int16_t clientId, const AvatarPose& pose);
    bool ControlAvatar(int16_t clientId, const std::string& actionCode);
    void AttachViewpoint();
};

}  // namespace plexa
