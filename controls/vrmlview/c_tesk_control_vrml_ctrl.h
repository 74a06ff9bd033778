#pragma once
// The VRML view control: the region view offered to hosts by dispatch id.
#include "controls/vrmlview/vrml_view.h"
#include "platform/com/control_base.h"

#include <QPointer>
#include <QString>


class CTeskControlVrmlCtrl : public platform::com::ControlBase {
public:
    enum Dispid {
        kDithering = 1, kFullColor = 2, kTexture = 3, kHighQualityTexture = 4, kHeadLightOn = 5,
        kCollision = 6, kGraphicMode = 7, kGraphicModeMoving = 8, kAvatarModelFile = 9,
        kRevert = 12, kChangeWalkthroughMode = 13, kChangeWalkthroughSpeed = 14, kDeleteAvatar = 15,
        kControlAvatar = 16, kMoveAvatar = 17, kSetSound = 18, kStraightUp = 19, kCreateAvatar = 22,
        kLoadVrmlFile = 27, kAttachViewpoint = 28,
        // Diagnostics (see teskcontrolvrml_ids.h).
        kAvatarState = 100, kAvatarCount = 101, kOwnClientId = 102, kLoadWarnings = 103,
    };
    enum EventDispid { kViewpointMoved = 1, kDownloadProgress = 2 };

    CTeskControlVrmlCtrl();
    ~CTeskControlVrmlCtrl() override;
    QWidget* CreateWindowWidget(QWidget* parent) override;
    VrmlView* View() const { return view_.data(); }

private:
    void DefineInterface();
    void ApplyOptions();

    QPointer<VrmlView> view_;
    // Properties may arrive before the window exists; kept here and applied to it.
    bool dithering_ = true, fullColor_ = true, texture_ = true, highQuality_ = true;
    bool headlight_ = true, collision_ = false, sound_ = true;
    int32_t graphicMode_ = 0, graphicModeMoving_ = 3;
    std::string avatarModelFile_;
};
