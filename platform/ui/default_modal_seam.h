#pragma once
// The real modal runs: QMessageBox, QFileDialog, QFontDialog and QDialog::exec.
#include "platform/ui/modal_seam.h"

#include <QString>

namespace platform::ui {

class DefaultModalSeam : public ModalSeam {
public:
    int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style) override;
    std::optional<std::string> SaveAs(QWidget* owner, const std::string& proposedPath, const std::string& filter,
                                      const std::string& caption) override;
    std::optional<FontChoice> ChooseFont(QWidget* owner, const FontChoice& initial) override;
    int RunModal(QDialog* dialog) override;
};

// "Text (*.txt)|*.txt|All (*.*)|*.*||" as a QFileDialog name filter list ("Text (*.txt);;All (*.*)").
QString ToQtFileFilter(const std::string& filter);
// The extension of the filter's first pattern ("txt" for "*.txt"); empty for "*.*" or none.
std::string DefaultExtension(const std::string& filter);

}  // namespace platform::ui
