#pragma once
// Test support for the panel: a private registry with the settings and the recording stand-ins
// registered, an installation folder, and access to what each stand-in recorded.
#include "platform/com/control_site.h"
#include "platform/com/module_loader.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "plexa/data/region_select_dialog.h"
#include "plexa/session/child_control.h"
#include "plexa/session/testdoubles/double_ids.h"
#include "plexa/session/world_panel.h"
#include "plexa/settings/settings_store.h"
#include "plexa/settings/settings_test_writer.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace plexa::testing {

namespace reg = platform::registry;
namespace com = platform::com;
namespace sd = session_doubles;

// What a recording stand-in saw, and how to make it answer or fire.
class Recorder {
public:
    explicit Recorder(const ChildControl& control) : m_site(control.Site()) {}

    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        if (!m_site) return calls;
        com::Variant count;
        m_site->Call(sd::kCallCount, {}, &count);
        for (int32_t i = 0; i < count.AsI4(); ++i) {
            com::Variant text;
            m_site->Call(sd::kCallText, {com::Variant::I4(i)}, &text);
            calls.push_back(text.AsBstr());
        }
        return calls;
    }
    // Calls whose text starts with prefix.
    std::vector<std::string> CallsOf(const std::string& prefix) const {
        std::vector<std::string> out;
        for (auto& c : Calls())
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }
    int Count(const std::string& prefix) const { return static_cast<int>(CallsOf(prefix).size()); }
    void Clear() { m_site->Call(sd::kClearCalls); }
    void SetResult(int32_t dispid, com::Variant v) { m_site->Call(sd::kSetResult, {com::Variant::I4(dispid), v}); }
    void PushResult(int32_t dispid, com::Variant v) { m_site->Call(sd::kPushResult, {com::Variant::I4(dispid), v}); }
    void Fire(int32_t event, const std::vector<com::Variant>& args) {
        for (const auto& a : args) m_site->Call(sd::kPushEventArg, {a});
        m_site->Call(sd::kFireEvent, {com::Variant::I4(event)});
    }

private:
    com::ControlSite* m_site;
};

inline std::vector<com::Variant> Pose(float a, float b, float c, float d, float e, float f) {
    return {com::Variant::R4(a), com::Variant::R4(b), com::Variant::R4(c),
            com::Variant::R4(d), com::Variant::R4(e), com::Variant::R4(f)};
}

class PanelTest : public reg::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        const std::string module = std::string(qgetenv("MONEKO_BIN_DIR").constData()) + "/" + sd::kModuleFile;
        ASSERT_TRUE(com::Succeeded(com::RegisterModuleFile(module))) << module;
        ASSERT_TRUE(install_.isValid());
        installDir_ = install_.path().toStdString();
        SetText("Install", "Directory", installDir_);
        SetText("Login", "Host", "127.0.0.1:4321");
        SetText("Talkin\\Avatar", "Directory", installDir_ + "/AvatarData");
        SetText("Talkin\\Avatar", "DirectoryName", "cat01");
        SetText("Talkin\\Avatar", "VrmlFileName", installDir_ + "/AvatarData/cat01/cat.wrl");
        SetText("Talkin\\Avatar", "ImageFileName", installDir_ + "/AvatarData/cat01/cat.bmp");
        SetNumber("Talkin\\Avatar", "AvatarNo", 2);
        SetNumber("Option\\Browser", "FixedSize", 1);
        SetText("Option\\Chat", "ChatSaveFilePrefix", "chat");
        SetText("Help", "HelpPath", installDir_ + "/help/index.html");
        WriteFile("Region_List.Dat", "1,Lobby,http://127.0.0.1:4321/regions/lobby.wrl,1\n2,Hall,/regions/hall.wrl,1\n");
        QDir(install_.path()).mkpath("AvatarData");
        WriteFile("AvatarData/Avatar_User.dat",
                  "[cat01]\nVRML=x/cat.wrl\nIMAGE=x/cat.bmp\n[dog02]\nVRML=y/dog.wrl\nIMAGE=y/dog.bmp\n");
    }

    void SetText(const std::string& subKey, const char* name, const std::string& value) {
        plexa::testing::WriteSettingText(subKey, name, value);
    }
    void SetNumber(const std::string& subKey, const char* name, int32_t value) {
        plexa::testing::WriteSettingNumber(subKey, name, value);
    }
    void DeleteValue(const std::string& subKey, const char* name) {
        reg::HKEY key = nullptr;
        const std::string path = std::string(CSettingsStore::kProductKey) + subKey;
        if (reg::RegOpenKeyExA(reg::HKEY_LOCAL_MACHINE, path.c_str(), 0, reg::KEY_WRITE, &key) != reg::ERROR_SUCCESS)
            return;
        reg::RegDeleteValueA(key, name);
        reg::RegCloseKey(key);
    }
    void WriteFile(const std::string& relative, const std::string& bytes) {
        std::ofstream out(installDir_ + "/" + relative, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    static ChildControlClasses Doubles() { return {sd::kChatClsid, sd::kViewClsid, sd::kCommunicationClsid}; }

    // A panel at 800 x 600 whose start has run; the posted region change is not run yet.
    std::unique_ptr<WorldPanel> MakePanel(const std::string& world = {}) {
        auto panel = std::make_unique<WorldPanel>(nullptr, Doubles());
        panel->SetClock([this] { return now_; });
        panel->SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return true;
        });
        panel->resize(800, 600);
        panel->show();
        panel->SetWorldAddress(world);
        panel->Initialize();
        return panel;
    }

    // The next region dialog picks row and confirms with name.
    void AnswerRegionDialog(int row, const QString& name) {
        seam_.AnswerRunModal([row, name](QDialog* d) {
            auto* dialog = static_cast<RegionSelectDialog*>(d);
            QTreeWidgetItem* item = dialog->RegionListView()->topLevelItem(row);
            ASSERT_NE(item, nullptr);
            dialog->RegionListView()->setCurrentItem(item);
            item->setSelected(true);
            dialog->AvatarNameEdit()->setText(name);
            dialog->OkButton()->click();
        });
    }

    // Region change through the dialog, then the entry timer's tick.
    void Enter(WorldPanel& panel, int row = 0, const QString& name = "bob") {
        AnswerRegionDialog(row, name);
        panel.RegionChange();
        ASSERT_TRUE(panel.Timers().IsActive(WorldPanel::kEntryTimer));
        panel.OnTimer(WorldPanel::kEntryTimer);
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& call : seam_.CallsOf(platform::ui::RecordingModalSeam::Kind::MessageBox))
            texts.push_back(platform::Cp932ToUtf8(call.text).value_or("?"));
        return texts;
    }

    QTemporaryDir install_;
    std::string installDir_;
    std::time_t now_ = 1048575 * 3 + 4242;
    std::vector<QUrl> opened_;
    platform::ui::RecordingModalSeam seam_;
    platform::ui::ScopedModalSeam scoped_{seam_};
};

}  // namespace plexa::testing
