#include "platform/ui/beep.h"

#include <QApplication>
#include <atomic>

namespace platform::ui {
namespace {

std::atomic<int> g_beeps{0};

}  // namespace

void MessageBeep(unsigned /*type*/) {
    ++g_beeps;
    // Qt has one system beep; every type sounds the same here.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
}

int MessageBeepCount() { return g_beeps.load(); }

void ResetMessageBeepCount() { g_beeps = 0; }

}  // namespace platform::ui
