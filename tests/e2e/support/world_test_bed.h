#pragma once
// One machine's world for end-to-end tests: a private registry, the default world copied into a
// temporary installation, the real child control modules, and a real moneko-server on a free
// loopback port. Panels made here run the real chat, view and communication controls; every modal
// run goes to a recording seam that answers from the test's script.
#include "platform/registry/registry_test_env.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "plexa/session/world_panel.h"
#include "server/server_process.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace e2e {

class WorldTestBed : public platform::registry::RegistryTestEnv {
protected:
    void SetUp() override;
    void TearDown() override;

    // Settings under the product key ("Talkin\\Avatar", ...).
    void SetText(const std::string& subKey, const char* name, const std::string& value);
    void SetNumber(const std::string& subKey, const char* name, int32_t value);
    void PointHostAtServer();
    // The own avatar settings for the avatar directory name (e.g. "cat") at its 1-based number.
    void ChooseAvatarSettings(const std::string& directoryName, int32_t number);

    // The next region dialog picks the row and types the nickname, then presses OK.
    void AnswerRegionDialog(int row, const QString& name);
    // Two users with logs of their own: each has an installation (install_ and secondInstall_,
    // copies of the same world) that the settings point at while its panel starts.
    void UseInstallation(const QTemporaryDir& install);
    // A panel of one user in its own installation, entered into the first region.
    std::unique_ptr<plexa::WorldPanel> EnterAs(const QString& name, const QTemporaryDir& install, int x);

    // A panel shown at x that has run its first region change up to the entry timer.
    std::unique_ptr<plexa::WorldPanel> StartPanel(const QString& name, int x, QSize size = QSize(800, 600));
    // The entry timer's tick without waiting its ten seconds; true when the panel is in the region.
    bool Enter(plexa::WorldPanel& panel);
    bool WaitForRosterSize(const plexa::WorldPanel& panel, size_t size, int timeoutMs = 10000);

    // How many message boxes with this text (UTF-8) were shown.
    int MessageCount(const char* utf8) const;
    QString MessageTexts() const;

    // Saves the widget's picture as <artifacts>/<name>.png and returns it. Artifacts go to
    // $MONEKO_ARTIFACT_DIR, else <build>/artifacts/<area>.
    QImage Screenshot(QWidget& widget, const QString& name) const;
    // Whether the rectangle of the picture holds drawn content rather than one flat fill.
    static bool HasContent(const QImage& image, const QRect& area, int minColours = 12);

    QString InstallPath(const QString& relative = {}) const;
    virtual QString ArtifactArea() const { return QStringLiteral("faults"); }

    QTemporaryDir install_;
    QTemporaryDir secondInstall_;
    server::ServerProcess server_;
    platform::ui::RecordingModalSeam seam_;
    std::unique_ptr<platform::ui::ScopedModalSeam> scoped_;
    std::unique_ptr<plexa::WorldPanel> a_, b_;

private:
    const QTemporaryDir* m_avatarsIn = nullptr;  // the installation the avatar settings point into
};

}  // namespace e2e
