#include "platform/ui/beep.h"

#include <QApplication>
#include <atomic>

namespace platform::ui {
namespace {

// Counted on the application object, which every loaded module shares (see modal_seam.cpp).
constexpr const char* kBeepProperty = "moneko.beepCount";
std::atomic<int> g_withoutApplication{0};

}  // namespace

void MessageBeep(unsigned /*type*/) {
    if (auto* app = QCoreApplication::instance())
        app->setProperty(kBeepProperty, app->property(kBeepProperty).toInt() + 1);
    else
        ++g_withoutApplication;
    // Qt has one system beep; every type sounds the same here.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
}

int MessageBeepCount() {
    if (auto* app = QCoreApplication::instance()) return app->property(kBeepProperty).toInt();
    return g_withoutApplication.load();
}

void ResetMessageBeepCount() {
    if (auto* app = QCoreApplication::instance())
        app->setProperty(kBeepProperty, 0);
    else
        g_withoutApplication = 0;
}

}  // namespace platform::ui
