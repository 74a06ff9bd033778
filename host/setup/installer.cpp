#include "host/setup/installer.h"

#include "platform/registry/registry.h"
#include "platform/text/cp932.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdint>
#include <optional>

using namespace platform::registry;

namespace {

// The world host's product key ("♪" is the CP932 pair 0x81 0xF4).
const std::string kProductKey = "SOFTWARE\\Sorvik\\Moneko\x81\xF4\\2.0\\";

enum class Owner {
    User,          // written once; afterwards the user's value is kept
    Installation,  // describes this installation: rewritten on every run
};

struct Setting {
    const char* subKey;
    const char* name;
    bool number;
    int32_t defaultNumber;
    Owner owner = Owner::User;
};

const Setting kSettings[] = {
    {"Install", "Directory", false, 0, Owner::Installation},
    {"Login", "Host", false, 0},
    {"Option\\Chat", "ChatAutoSave", true, 1},
    {"Option\\Chat", "EspAutoSave", true, 1},
    {"Option\\Chat", "ConfirmOfFileSave", true, 1},
    {"Option\\Chat", "ChatSaveFilePrefix", false, 0},
    {"Option\\Chat", "EspSaveFilePrefix", false, 0},
    {"Option\\Chat", "Font", false, 0},
    {"Option\\Chat", "FontSize", true, 10},
    {"Option\\Chat", "FontStyle", true, 0},
    {"Option\\Quality", "Dithering", true, 1},
    {"Option\\Quality", "FullColor", true, 1},
    {"Option\\Quality", "Texture", true, 1},
    {"Option\\Quality", "HighQualityTexture", true, 1},
    {"Option\\Walk", "HeadLightOn", true, 1},
    {"Option\\Walk", "Collision", true, 1},
    {"Option\\Walk", "GraphicMode", true, 0},
    {"Option\\Walk", "GraphicModeMoving", true, 3},
    {"Option\\Walk", "Sound", true, 1},
    {"Option\\Browser", "FixedSize", true, 1},
    {"Talkin\\Avatar", "Directory", false, 0},
    {"Talkin\\Avatar", "DirectoryName", false, 0},
    {"Talkin\\Avatar", "VrmlFileName", false, 0},
    {"Talkin\\Avatar", "ImageFileName", false, 0},
    {"Talkin\\Avatar", "AvatarName", false, 0},
    {"Talkin\\Avatar", "AvatarNo", true, 0},
    {"Esp\\History", "UserID1", false, 0},
    {"Esp\\History", "UserID2", false, 0},
    {"Esp\\History", "UserID3", false, 0},
    {"Esp\\History", "UserID4", false, 0},
    {"Esp\\History", "UserID5", false, 0},
    {"Help", "HelpPath", false, 0, Owner::Installation},
};

std::string Utf8(const QString& s) { return s.toStdString(); }

// Registry text is CP932; a path it cannot hold would come back as a different path.
std::optional<std::string> PathText(const QString& path) { return platform::Utf8ToCp932(path.toStdString()); }

std::string DescribeError(LONG rc) {
    const std::string problem = RegistryProblem();
    if (!problem.empty()) return problem;
    return RegistryFilePath() + ": cannot be written (error " + std::to_string(rc) + ")";
}

// The stored text, or nothing when the value is missing.
std::optional<std::string> QueryText(HKEY key, const char* name) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string data(size, '\0');
    if (size > 0 && RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
                        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    if (const auto zero = data.find('\0'); zero != std::string::npos) data.resize(zero);
    return data;
}

std::optional<std::string> StoredText(const char* subKey, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kProductKey + subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    auto text = QueryText(key, name);
    RegCloseKey(key);
    return text;
}

}  // namespace

Installer::Installer(const QString& installDir, std::ostream& out)
    : installDir_(QDir::cleanPath(QDir(installDir).absolutePath())), out_(out) {}

QString Installer::DefaultInstallDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/moneko";
}

QString Installer::HelpFilePath() const { return installDir_ + "/help/index.html"; }

bool Installer::Fail(std::string why) {
    error_ = std::move(why);
    return false;
}

bool Installer::Run() {
    return CheckRegistry() && CreateDirectories() && InstallHelp() && WriteSettings();
}

bool Installer::CheckRegistry() {
    // Before anything is made: a broken settings file or a path the settings cannot hold.
    if (const std::string problem = RegistryProblem(); !problem.empty())
        return Fail("the settings file cannot be read, fix or remove it first: " + problem);
    if (!PathText(installDir_))
        return Fail("the installation directory \"" + Utf8(installDir_) +
                    "\" has characters the settings (Shift-JIS) cannot hold; choose another one");
    return true;
}

bool Installer::CreateDirectories() {
    for (const QString& sub : {QString(), QStringLiteral("/ChatLog/Chat"), QStringLiteral("/ChatLog/Esp"),
                               QStringLiteral("/AvatarData"), QStringLiteral("/help")}) {
        const QString path = installDir_ + sub;
        if (QDir(path).exists()) continue;
        if (!QDir().mkpath(path)) return Fail("cannot create the directory " + Utf8(path));
        out_ << "Created " << Utf8(path) << '\n';
    }
    return true;
}

bool Installer::InstallHelp() {
    QFile source(QStringLiteral(":/moneko/help/index.html"));
    if (!source.open(QIODevice::ReadOnly)) return Fail("the help page is missing from this program");
    const QByteArray page = source.readAll();
    QSaveFile target(HelpFilePath());
    if (!target.open(QIODevice::WriteOnly) || target.write(page) != page.size() || !target.commit())
        return Fail("cannot write " + Utf8(HelpFilePath()) + ": " + Utf8(target.errorString()));
    out_ << "Installed the help page " << Utf8(HelpFilePath()) << '\n';
    return true;
}

bool Installer::WriteSettings() {
    const std::string installDir = *PathText(installDir_);
    const std::string helpPath = *PathText(HelpFilePath());
    const std::string avatarDir = installDir + "/AvatarData";

    // The avatar folder follows the installation when it still points into the previous one.
    const auto oldInstallDir = StoredText("Install", "Directory");
    const auto oldAvatarDir = StoredText("Talkin\\Avatar", "Directory");
    const bool moveAvatarDir =
        !oldAvatarDir || oldAvatarDir->empty() || (oldInstallDir && *oldAvatarDir == *oldInstallDir + "/AvatarData");

    for (const Setting& s : kSettings) {
        const std::string keyPath = kProductKey + s.subKey;
        const std::string label = std::string(s.subKey) + "\\" + s.name;
        HKEY key = nullptr;
        LONG rc = RegCreateKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str(), &key);
        if (rc != ERROR_SUCCESS) return Fail(DescribeError(rc));

        std::string text;
        bool force = s.owner == Owner::Installation;
        if (label == "Install\\Directory") {
            text = installDir;
        } else if (label == "Help\\HelpPath") {
            text = helpPath;
        } else if (label == "Login\\Host") {
            text = "localhost";
        } else if (label == "Talkin\\Avatar\\Directory") {
            text = avatarDir;
            force = moveAvatarDir;
        }

        DWORD size = 0;
        const bool present = RegQueryValueExA(key, s.name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
        if (present && !force) {
            RegCloseKey(key);
            out_ << "Kept " << label << '\n';
            continue;
        }
        if (s.number) {
            const int32_t n = s.defaultNumber;
            rc = RegSetValueExA(key, s.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n);
            if (rc == ERROR_SUCCESS) out_ << "Set " << label << " = " << n << '\n';
        } else {
            if (present && QueryText(key, s.name) == text) {
                RegCloseKey(key);
                out_ << "Kept " << label << '\n';
                continue;
            }
            rc = RegSetValueExA(key, s.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                                static_cast<DWORD>(text.size()));
            if (rc == ERROR_SUCCESS) out_ << "Set " << label << " = \"" << platform::ToQString(text).toStdString() << "\"\n";
        }
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) return Fail(DescribeError(rc));
    }
    out_ << "Settings are in " << RegistryFilePath() << '\n';
    return true;
}
