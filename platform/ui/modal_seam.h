#pragma once
// Every modal run goes through this seam so that tests can answer instead of a user.
#include "platform/ui/font_choice.h"

#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace platform::ui {

class ModalSeam {
public:
    virtual ~ModalSeam() = default;

    // text and caption CP932; style the MB_* flags. Returns IDOK/IDCANCEL/IDYES/IDNO.
    virtual int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style) = 0;

    // Save-as dialog. proposedPath: a file name or path (CP932, relative to the current directory);
    // filter in the "Text (*.txt)|*.txt||" form, its first pattern giving the default extension;
    // caption empty for the standard one. Asks before overwriting. The chosen path (CP932), or
    // nullopt on cancel.
    virtual std::optional<std::string> SaveAs(QWidget* owner, const std::string& proposedPath,
                                              const std::string& filter, const std::string& caption) = 0;

    // Font dialog (screen fonts, no script choice) seeded with initial; nullopt on cancel.
    virtual std::optional<FontChoice> ChooseFont(QWidget* owner, const FontChoice& initial) = 0;

    // Runs dialog modally; the dialog's exec() result (QDialog::Accepted / Rejected or a done() code).
    virtual int RunModal(QDialog* dialog) = 0;
};

// The seam in use; a DefaultModalSeam unless another was installed.
ModalSeam& CurrentModalSeam();
// Installs seam (not owned); null restores the default.
void InstallModalSeam(ModalSeam* seam);

}  // namespace platform::ui
