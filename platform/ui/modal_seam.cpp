#include "platform/ui/modal_seam.h"

#include "platform/ui/default_modal_seam.h"

namespace platform::ui {
namespace {

DefaultModalSeam& DefaultSeam() {
    static DefaultModalSeam seam;
    return seam;
}

ModalSeam* g_installed = nullptr;

}  // namespace

ModalSeam& CurrentModalSeam() { return g_installed ? *g_installed : DefaultSeam(); }

void InstallModalSeam(ModalSeam* seam) { g_installed = seam; }

}  // namespace platform::ui
