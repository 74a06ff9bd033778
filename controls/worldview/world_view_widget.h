#pragma once
// A small live preview: one VRML file shown centred in the window, turning slowly about the
// vertical axis. A file that cannot be shown leaves the preview empty.
#include "controls/vrmlview/coin_view.h"

#include <QElapsedTimer>
#include <QTimer>

class SoRotation;
class SoTranslation;

class WorldViewWidget : public CoinView {
    Q_OBJECT
public:
    explicit WorldViewWidget(QWidget* parent = nullptr);
    ~WorldViewWidget() override;

    // True when the file is shown; false leaves the preview empty.
    bool ShowFile(const QString& path);
    bool HasModel() const { return hasModel_; }
    QString ShownPath() const { return shownPath_; }
    // Current turn in radians.
    float Turn() const { return angle_; }

private:
    void Step();

    QTimer spin_;
    QElapsedTimer clock_;
    float angle_ = 0;
    bool hasModel_ = false;
    QString shownPath_;
    SoRotation* turn_ = nullptr;
};
