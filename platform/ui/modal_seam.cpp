#include "platform/ui/modal_seam.h"

#include "platform/ui/default_modal_seam.h"

#include <QCoreApplication>
#include <QVariant>

namespace platform::ui {
namespace {

// Every control module carries its own copy of this library, but they all share the one
// application object: the installed seam lives there so that a seam the host installs also
// answers the modals of the modules it loaded.
constexpr const char* kSeamProperty = "moneko.modalSeam";

DefaultModalSeam& DefaultSeam() {
    static DefaultModalSeam seam;
    return seam;
}

ModalSeam* g_withoutApplication = nullptr;

}  // namespace

ModalSeam& CurrentModalSeam() {
    ModalSeam* installed = g_withoutApplication;
    if (auto* app = QCoreApplication::instance())
        installed = reinterpret_cast<ModalSeam*>(app->property(kSeamProperty).value<quintptr>());
    return installed ? *installed : DefaultSeam();
}

void InstallModalSeam(ModalSeam* seam) {
    if (auto* app = QCoreApplication::instance())
        app->setProperty(kSeamProperty, QVariant::fromValue(reinterpret_cast<quintptr>(seam)));
    else
        g_withoutApplication = seam;
}

}  // namespace platform::ui
