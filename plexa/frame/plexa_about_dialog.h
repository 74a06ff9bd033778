#pragma once
// The control's About box (dialog 1): product name, version and an OK button.
#include <QDialog>

namespace plexa {

class CPlexaAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CPlexaAboutDialog(QWidget* parent = nullptr);
};

}  // namespace plexa
