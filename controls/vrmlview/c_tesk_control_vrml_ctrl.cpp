#include "controls/vrmlview/c_tesk_control_vrml_ctrl.h"

#include "controls/vrmlview/vrml_view.h"
#include "platform/text/cp932.h"

using platform::com::Variant;
using platform::com::VarType;

namespace {

AvatarPose PoseFrom(const std::vector<Variant>& args, size_t first) {
    AvatarPose pose;
    pose.x = args[first].AsR4();
    pose.y = args[first + 1].AsR4();
    pose.z = args[first + 2].AsR4();
    pose.dx = args[first + 3].AsR4();
    pose.dy = args[first + 4].AsR4();
    pose.dz = args[first + 5].AsR4();
    return pose;
}

const std::vector<VarType> kPose(6, VarType::R4);

std::vector<VarType> Join(std::vector<VarType> head, const std::vector<VarType>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

CTeskControlVrmlCtrl::CTeskControlVrmlCtrl() { DefineInterface(); }

CTeskControlVrmlCtrl::~CTeskControlVrmlCtrl() { DestroyWindow(); }

QWidget* CTeskControlVrmlCtrl::CreateWindowWidget(QWidget* parent) {
    auto* view = new VrmlView(parent);
    view_ = view;
    QObject::connect(view, &VrmlView::viewpointMoved, view, [this](int16_t id, AvatarPose pose) {
        FireEvent(kViewpointMoved, {Variant::I2(id), Variant::R4(pose.x), Variant::R4(pose.y), Variant::R4(pose.z),
                                    Variant::R4(pose.dx), Variant::R4(pose.dy), Variant::R4(pose.dz)});
    });
    QObject::connect(view, &VrmlView::downloadProgress, view, [this](const QString& address, qint64 received, qint64 total) {
        auto clamp = [](qint64 v) { return static_cast<int32_t>(std::min<qint64>(v, INT32_MAX)); };
        FireEvent(kDownloadProgress, {Variant::Bstr(platform::FromQString(address)), Variant::I4(clamp(received)),
                                      Variant::I4(total < 0 ? -1 : clamp(total))});
    });
    ApplyOptions();
    return view;
}

void CTeskControlVrmlCtrl::ApplyOptions() {
    VrmlView* view = view_.data();
    if (!view) return;
    view->SetDithering(dithering_);
    view->SetFullColor(fullColor_);
    view->SetTexturesEnabled(texture_);
    view->SetHighQualityTextures(highQuality_);
    view->SetHeadlight(headlight_);
    view->SetCollision(collision_);
    view->SetGraphicModeStill(graphicMode_);
    view->SetGraphicModeMoving(graphicModeMoving_);
    view->SetSound(sound_);
    view->SetAvatarModelFile(platform::ToQString(avatarModelFile_));
}

void CTeskControlVrmlCtrl::DefineInterface() {
    auto flag = [this](int32_t dispid, bool* member) {
        DefineProperty(dispid, VarType::Bool, [member] { return Variant::Bool(*member); },
                       [this, member](const Variant& v) {
                           *member = v.AsBool();
                           ApplyOptions();
                       });
    };
    flag(kDithering, &dithering_);
    flag(kFullColor, &fullColor_);
    flag(kTexture, &texture_);
    flag(kHighQualityTexture, &highQuality_);
    flag(kHeadLightOn, &headlight_);
    flag(kCollision, &collision_);
    // An out-of-range mode is ignored; the view keeps what it shows.
    DefineProperty(kGraphicMode, VarType::I4, [this] { return Variant::I4(graphicMode_); },
                   [this](const Variant& v) {
                       if (v.AsI4() >= 0 && v.AsI4() <= 2) graphicMode_ = v.AsI4();
                       ApplyOptions();
                   });
    DefineProperty(kGraphicModeMoving, VarType::I4, [this] { return Variant::I4(graphicModeMoving_); },
                   [this](const Variant& v) {
                       if (v.AsI4() >= 0 && v.AsI4() <= 3) graphicModeMoving_ = v.AsI4();
                       ApplyOptions();
                   });
    DefineProperty(kAvatarModelFile, VarType::Bstr, [this] { return Variant::Bstr(avatarModelFile_); },
                   [this](const Variant& v) {
                       avatarModelFile_ = v.AsBstr();
                       if (view_) view_->SetAvatarModelFile(platform::ToQString(avatarModelFile_));
                   });

    DefineMethod(kLoadVrmlFile, {VarType::Bstr}, [this](const std::vector<Variant>& a) {
        return Variant::I2(static_cast<int16_t>(view_ ? view_->LoadVrmlFile(platform::ToQString(a[0].AsBstr())) : -1));
    });
    DefineMethod(kChangeWalkthroughMode, {VarType::I4}, [this](const std::vector<Variant>& a) {
        return Variant::Bool(view_ && view_->ChangeWalkthroughMode(a[0].AsI4()));
    });
    DefineMethod(kChangeWalkthroughSpeed, {VarType::I4}, [this](const std::vector<Variant>& a) {
        return Variant::Bool(view_ && view_->ChangeWalkthroughSpeed(a[0].AsI4()));
    });
    DefineMethod(kRevert, {}, [this](const std::vector<Variant>&) { return Variant::Bool(view_ && view_->Revert()); });
    DefineMethod(kStraightUp, {}, [this](const std::vector<Variant>&) {
        return Variant::Bool(view_ && view_->StraightUp());
    });
    DefineMethod(kSetSound, {VarType::Bool}, [this](const std::vector<Variant>& a) {
        sound_ = a[0].AsBool();
        if (view_) view_->SetSound(sound_);
        return Variant::Bool(true);
    });
    DefineMethod(kCreateAvatar,
                 Join({VarType::I2, VarType::Bstr, VarType::Bstr, VarType::Bstr, VarType::I2}, kPose),
                 [this](const std::vector<Variant>& a) {
                     if (!view_) return Variant::Bool(false);
                     return Variant::Bool(view_->CreateAvatar(
                         a[0].AsI2(), platform::ToQString(a[1].AsBstr()), platform::ShownText(a[2].AsBstr()),
                         platform::ToQString(a[3].AsBstr()), a[4].AsI2(), PoseFrom(a, 5)));
                 });
    DefineMethod(kDeleteAvatar, {VarType::I2}, [this](const std::vector<Variant>& a) {
        return Variant::Bool(view_ && view_->DeleteAvatar(a[0].AsI2()));
    });
    DefineMethod(kMoveAvatar, Join({VarType::I2}, kPose), [this](const std::vector<Variant>& a) {
        return Variant::Bool(view_ && view_->MoveAvatar(a[0].AsI2(), PoseFrom(a, 1)));
    });
    DefineMethod(kControlAvatar, {VarType::I2, VarType::Bstr}, [this](const std::vector<Variant>& a) {
        return Variant::Bool(view_ && view_->ControlAvatar(a[0].AsI2(), platform::ToQString(a[1].AsBstr())));
    });
    DefineMethod(kAttachViewpoint, {}, [this](const std::vector<Variant>&) {
        if (view_) view_->AttachViewpoint();
        return Variant();
    });

    DefineMethod(kAvatarState, {VarType::I2}, [this](const std::vector<Variant>& a) {
        const QString state = view_ ? view_->AvatarState(a[0].AsI2()) : QString();
        return Variant::Bstr(state.toStdString());
    });
    DefineProperty(kAvatarCount, VarType::I4, [this] { return Variant::I4(view_ ? view_->AvatarCount() : 0); }, {});
    DefineProperty(kLoadWarnings, VarType::Bstr, [this] {
        return Variant::Bstr(platform::FromQString(view_ ? view_->LastWarnings().join(QLatin1Char('\n')) : QString()));
    }, {});
    DefineMethod(kOwnClientId, {}, [this](const std::vector<Variant>&) {
        return Variant::I2(view_ ? view_->OwnClientId() : static_cast<int16_t>(-1));
    });
}
