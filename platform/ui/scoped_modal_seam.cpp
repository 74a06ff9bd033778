#include "platform/ui/scoped_modal_seam.h"

namespace platform::ui {

ScopedModalSeam::ScopedModalSeam(ModalSeam& seam) : m_previous(&CurrentModalSeam()) { InstallModalSeam(&seam); }

ScopedModalSeam::~ScopedModalSeam() { InstallModalSeam(m_previous); }

}  // namespace platform::ui
