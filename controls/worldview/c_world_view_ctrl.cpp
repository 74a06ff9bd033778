#include "controls/worldview/c_world_view_ctrl.h"

#include "platform/text/cp932.h"

using platform::com::Variant;
using platform::com::VarType;

CWorldViewCtrl::CWorldViewCtrl() {
    for (int32_t dispid : {512, 513, 516, 510, 504}) {
        settings_[dispid] = Variant::Bool(false);
        DefineProperty(dispid, VarType::Bool, [this, dispid] { return settings_[dispid]; },
                       [this, dispid](const Variant& v) { settings_[dispid] = v; });
    }
    settings_[501] = Variant::I4(0);
    DefineProperty(501, VarType::I4, [this] { return settings_[501]; },
                   [this](const Variant& v) { settings_[501] = v; });
    DefineProperty(kVrmlPath, VarType::Bstr, [this] { return Variant::Bstr(path_); },
                   [this](const Variant& v) {
                       path_ = v.AsBstr();
                       if (view_) view_->ShowFile(platform::ToQString(path_));
                   });
}

CWorldViewCtrl::~CWorldViewCtrl() { DestroyWindow(); }

QWidget* CWorldViewCtrl::CreateWindowWidget(QWidget* parent) {
    auto* view = new WorldViewWidget(parent);
    view->setObjectName(QStringLiteral("WorldView"));
    view_ = view;
    if (!path_.empty()) view->ShowFile(platform::ToQString(path_));
    return view;
}
