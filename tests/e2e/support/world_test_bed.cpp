#include "tests/e2e/support/world_test_bed.h"

#include "platform/com/module_loader.h"
#include "platform/registry/registry.h"
#include "platform/text/cp932.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/region_select_dialog.h"
#include "plexa/settings/settings_test_writer.h"
#include "tests/e2e/support/installation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

namespace e2e {
namespace {

namespace reg = platform::registry;
namespace com = platform::com;
using platform::ui::RecordingModalSeam;

using e2e_support::CopyTree;

}  // namespace

void WorldTestBed::SetUp() {
    RegistryTestEnv::SetUp();
    scoped_ = std::make_unique<platform::ui::ScopedModalSeam>(seam_);
    e2e_support::RegisterClientModules();
    ASSERT_TRUE(install_.isValid());
    ASSERT_TRUE(CopyTree(qEnvironmentVariable("MONEKO_SOURCE_DIR") + "/content", install_.path()));
    QDir(install_.path()).mkpath("ChatLog/Chat");
    QDir(install_.path()).mkpath("ChatLog/Esp");
    UseInstallation(install_);
    SetNumber("Option\\Browser", "FixedSize", 0);
    ASSERT_TRUE(server_.Start());
    PointHostAtServer();
}

void WorldTestBed::TearDown() {
    for (auto* p : {&a_, &b_})
        if (*p) (*p)->Shutdown();
    a_.reset();
    b_.reset();
    server_.Stop();
    scoped_.reset();
    RegistryTestEnv::TearDown();
}

void WorldTestBed::SetText(const std::string& subKey, const char* name, const std::string& value) {
    plexa::testing::WriteSettingText(subKey, name, value);
}

void WorldTestBed::SetNumber(const std::string& subKey, const char* name, int32_t value) {
    plexa::testing::WriteSettingNumber(subKey, name, value);
}

void WorldTestBed::PointHostAtServer() { SetText("Login", "Host", "127.0.0.1:" + std::to_string(server_.Port())); }

void WorldTestBed::UseInstallation(const QTemporaryDir& install) {
    // The second installation is laid out when first used.
    if (&install == &secondInstall_ && !QFileInfo::exists(install.filePath("Region_List.Dat"))) {
        ASSERT_TRUE(install.isValid());
        ASSERT_TRUE(CopyTree(qEnvironmentVariable("MONEKO_SOURCE_DIR") + "/content", install.path()));
        QDir(install.path()).mkpath("ChatLog/Chat");
        QDir(install.path()).mkpath("ChatLog/Esp");
    }
    m_avatarsIn = &install;
    const std::string dir = install.path().toStdString();
    SetText("Install", "Directory", dir);
    SetText("Talkin\\Avatar", "Directory", dir + "/AvatarData");
    ChooseAvatarSettings("cat", 3);
}

std::unique_ptr<plexa::WorldPanel> WorldTestBed::EnterAs(const QString& name, const QTemporaryDir& install, int x) {
    UseInstallation(install);
    auto panel = StartPanel(name, x);
    EXPECT_TRUE(Enter(*panel)) << name.toStdString() << ": " << MessageTexts().toStdString() << server_.Log();
    return panel;
}

void WorldTestBed::ChooseAvatarSettings(const std::string& directoryName, int32_t number) {
    const QTemporaryDir& install = m_avatarsIn ? *m_avatarsIn : install_;
    const std::string avatars = install.path().toStdString() + "/AvatarData/" + directoryName;
    SetText("Talkin\\Avatar", "DirectoryName", directoryName);
    SetText("Talkin\\Avatar", "VrmlFileName", avatars + "/" + directoryName + ".wrl");
    SetText("Talkin\\Avatar", "ImageFileName", avatars + "/" + directoryName + ".bmp");
    SetNumber("Talkin\\Avatar", "AvatarNo", number);
}

void WorldTestBed::AnswerRegionDialog(int row, const QString& name) {
    seam_.AnswerRunModal([row, name](QDialog* d) {
        auto* dialog = static_cast<plexa::RegionSelectDialog*>(d);
        QTreeWidget* list = dialog->RegionListView();
        // As a user would: the name first, then a click on the row (away and back when it is
        // the row already current, so the dialog sees the choice).
        dialog->AvatarNameEdit()->setText(name);
        if (list->currentItem() == list->topLevelItem(row))
            list->setCurrentItem(list->topLevelItem(row == 0 ? 1 : 0));
        list->setCurrentItem(list->topLevelItem(row));
        dialog->OkButton()->click();
    });
}

std::unique_ptr<plexa::WorldPanel> WorldTestBed::StartPanel(const QString& name, int x, QSize size) {
    AnswerRegionDialog(0, name);
    auto panel = std::make_unique<plexa::WorldPanel>();
    panel->setWindowTitle(name);
    panel->move(x, 0);
    panel->resize(size);
    panel->show();
    panel->Initialize();
    // The posted region change runs the dialog; the entry waits for the timer.
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->Timers().IsActive(plexa::WorldPanel::kEntryTimer); }, 10000))
        << MessageTexts().toStdString();
    return panel;
}

bool WorldTestBed::Enter(plexa::WorldPanel& panel) {
    if (!panel.Timers().IsActive(plexa::WorldPanel::kEntryTimer)) return false;
    panel.OnTimer(plexa::WorldPanel::kEntryTimer);
    return panel.InRegion();
}

bool WorldTestBed::WaitForRosterSize(const plexa::WorldPanel& panel, size_t size, int timeoutMs) {
    return QTest::qWaitFor([&] { return panel.Roster().Size() == size; }, timeoutMs);
}

int WorldTestBed::MessageCount(const char* utf8) const {
    int n = 0;
    for (const auto& call : seam_.CallsOf(RecordingModalSeam::Kind::MessageBox))
        if (platform::Cp932ToUtf8(call.text).value_or("") == utf8) ++n;
    return n;
}

QString WorldTestBed::MessageTexts() const {
    QStringList texts;
    for (const auto& call : seam_.CallsOf(RecordingModalSeam::Kind::MessageBox))
        texts << platform::ToQString(call.text);
    return texts.join(" | ");
}

QImage WorldTestBed::Screenshot(QWidget& widget, const QString& name) const {
    QString dir = qEnvironmentVariable("MONEKO_ARTIFACT_DIR");
    if (dir.isEmpty()) dir = qEnvironmentVariable("MONEKO_BIN_DIR") + "/../artifacts/" + ArtifactArea();
    QDir().mkpath(dir);
    const QImage image = widget.grab().toImage();
    image.save(dir + "/" + name + ".png");
    return image;
}

bool WorldTestBed::HasContent(const QImage& image, const QRect& area, int minColours) {
    if (image.isNull() || !image.rect().contains(area)) return false;
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); y += 2)
        for (int x = area.left(); x <= area.right(); x += 2) colours.insert(image.pixel(x, y));
    return colours.size() >= minColours;
}

QString WorldTestBed::InstallPath(const QString& relative) const {
    return relative.isEmpty() ? install_.path() : install_.filePath(relative);
}

}  // namespace e2e
