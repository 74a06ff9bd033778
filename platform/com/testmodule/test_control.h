#pragma once
#include "platform/com/control_base.h"

#include <QPointer>

class QLabel;

namespace moneko_test {

// A control that exercises every kind of member the hosts use.
class TestControl : public platform::com::ControlBase {
public:
    TestControl();
    ~TestControl() override;
    QWidget* CreateWindowWidget(QWidget* parent) override;

private:
    std::string caption_;
    int32_t count_ = 0;
    bool flag_ = false;
    QPointer<QLabel> label_;
};

}  // namespace moneko_test
