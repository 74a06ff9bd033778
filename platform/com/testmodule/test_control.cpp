#include "platform/com/testmodule/test_control.h"

#include "platform/com/testmodule/test_ids.h"
#include "platform/text/cp932.h"

#include <QLabel>

#include <stdexcept>

namespace moneko_test {

using platform::com::Variant;
using platform::com::VarType;

TestControl::TestControl() {
    DefineMethod(kAdd, {VarType::I4, VarType::I4},
                 [](const std::vector<Variant>& a) { return Variant::I4(a[0].AsI4() + a[1].AsI4()); });
    DefineProperty(
        kCaption, VarType::Bstr, [this] { return Variant::Bstr(caption_); },
        [this](const Variant& v) {
            caption_ = v.AsBstr();
            if (label_) label_->setText(platform::ToQString(caption_));
        });
    DefineMethod(kPing, {VarType::Bstr, VarType::I2}, [this](const std::vector<Variant>& a) {
        ++count_;
        FireEvent(kPinged, {a[0], Variant::I2(static_cast<int16_t>(a[1].AsI2() + 1))});
        return Variant::Bool(true);
    });
    DefineProperty(kCount, VarType::I4, [this] { return Variant::I4(count_); }, nullptr);
    DefineMethod(kScale, {VarType::R4}, [](const std::vector<Variant>& a) { return Variant::R4(a[0].AsR4() * 2); });
    DefineMethod(kFail, {}, [](const std::vector<Variant>&) -> Variant { throw std::runtime_error("failed"); });
    DefineProperty(kFlag, VarType::Bool, nullptr, [this](const Variant& v) { flag_ = v.AsBool(); });
}

TestControl::~TestControl() { DestroyWindow(); }

QWidget* TestControl::CreateWindowWidget(QWidget* parent) {
    label_ = new QLabel(platform::ToQString(caption_), parent);
    label_->setObjectName("TestControlLabel");
    return label_;
}

}  // namespace moneko_test
