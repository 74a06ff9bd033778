#pragma once
// Installs a modal seam for a scope and puts the previous one back.
#include "platform/ui/modal_seam.h"

namespace platform::ui {

class ScopedModalSeam {
public:
    explicit ScopedModalSeam(ModalSeam& seam);
    ~ScopedModalSeam();
    ScopedModalSeam(const ScopedModalSeam&) = delete;
    ScopedModalSeam& operator=(const ScopedModalSeam&) = delete;

private:
    ModalSeam* m_previous;
};

}  // namespace platform::ui
