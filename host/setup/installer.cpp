#include "host/setup/installer.h"

#include "platform/com/guid.h"
#include "platform/com/module_loader.h"
#include "platform/com/registration.h"
#include "platform/registry/registry.h"
#include "platform/text/cp932.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>
#include <cstdint>
#include <cstdio>
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
    installed_.clear();
    return CheckRegistry() && CreateDirectories() && InstallHelp() && WriteSettings() && InstallModules() &&
           InstallContent() && WriteBrowserPath() && RegisterModules() && InstallDesktopIntegration() &&
           WriteManifest();
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
    // The chat and ESP logs are the user's conversations: folders made for them are owner-only.
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QString chatLog = installDir_ + QStringLiteral("/ChatLog");
    const bool chatLogExisted = QDir(chatLog).exists();
    for (const QString& sub : {QString(), QStringLiteral("/ChatLog/Chat"), QStringLiteral("/ChatLog/Esp"),
                               QStringLiteral("/AvatarData"), QStringLiteral("/help")}) {
        const QString path = installDir_ + sub;
        if (QDir(path).exists()) continue;
        if (!QDir().mkpath(path)) return Fail("cannot create the directory " + Utf8(path));
        if (path.startsWith(chatLog + QLatin1Char('/'))) QFile::setPermissions(path, ownerOnly);
        out_ << "Created " << Utf8(path) << '\n';
    }
    if (!chatLogExisted) QFile::setPermissions(chatLog, ownerOnly);
    return true;
}

bool Installer::InstallHelp() {
    QFile source(QStringLiteral(":/moneko/help/index.html"));
    if (!source.open(QIODevice::ReadOnly)) return Fail("the help page is missing from this program");
    const QByteArray page = source.readAll();
    QSaveFile target(HelpFilePath());
    if (!target.open(QIODevice::WriteOnly) || target.write(page) != page.size() || !target.commit())
        return Fail("cannot write " + Utf8(HelpFilePath()) + ": " + Utf8(target.errorString()));
    installed_ << QStringLiteral("help/index.html");
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

// ---- Modules, the default world, registration and desktop integration ----

namespace {

constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
constexpr const char* kControlProgId = "PLEXA.PlexaCtrl.1";
constexpr const char* kDesktopFile = "moneko.desktop";
constexpr const char* kMimePackage = "moneko-vrml.xml";
constexpr const char* kBrowserLine = "#browser ";

std::string HexCode(int32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

// Exec= quoting of the desktop entry format.
QString DesktopExecArgument(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool WriteWhole(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

std::optional<std::string> ClassesRootValue(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    auto text = QueryText(key, name);
    RegCloseKey(key);
    return text;
}

}  // namespace

// plexa.ocx comes last: its registration reads the browser path and the other classes are
// registered by then.
const char* const Installer::kModuleFiles[8] = {
    "teskcommunication.ocx", "teskcontrolvrml.ocx", "teskchat.ocx",    "vrmlbrowser.ocx",
    "vrmlbrowserpkg.zip",    "mediafilter1.ax",     "mediafilter2.ax", "plexa.ocx",
};

QString Installer::DesktopDataDirectory() const {
    if (!desktopDataDir_.isEmpty()) return desktopDataDir_;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString Installer::ManifestPath() const { return installDir_ + "/.moneko-installed"; }

bool Installer::CopyFile(const QString& from, const QString& relative) {
    const QString target = installDir_ + "/" + relative;
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Copied beside and renamed over: a client still running keeps the file it has mapped.
    const QString temporary = target + ".new";
    QFile::remove(temporary);
    if (!QFile::copy(from, temporary)) return Fail("cannot copy " + Utf8(from) + " to " + Utf8(target));
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temporary);
        return Fail("cannot replace " + Utf8(target));
    }
    installed_ << relative;
    return true;
}

bool Installer::InstallModules() {
    if (sources_.moduleDir.isEmpty()) return true;
    const QDir source(sources_.moduleDir);
    for (const char* name : kModuleFiles) {
        const QString file = QString::fromLatin1(name);
        if (source.exists(file)) {
            if (!CopyFile(source.filePath(file), file)) return false;
            continue;
        }
        // The preview control also travels in its own package.
        const QString package = source.filePath(QStringLiteral("vrmlbrowserpkg.zip"));
        if (file == QStringLiteral("vrmlbrowser.ocx") && QFile::exists(package)) {
            QProcess unzip;
            unzip.start(QStringLiteral("unzip"), {"-o", "-j", "-q", package, file, "-d", installDir_});
            if (!unzip.waitForFinished(60000) || unzip.exitStatus() != QProcess::NormalExit || unzip.exitCode() != 0)
                return Fail("cannot unpack " + Utf8(file) + " from " + Utf8(package) + " (is unzip installed?)");
            installed_ << file;
            continue;
        }
        return Fail("the module " + Utf8(file) + " is missing from " + Utf8(sources_.moduleDir) +
                    "; build everything first");
    }
    out_ << "Installed the modules from " << Utf8(sources_.moduleDir) << '\n';
    return true;
}

bool Installer::InstallContent() {
    if (sources_.contentDir.isEmpty()) return true;
    const QDir source(sources_.contentDir);
    if (!source.exists(QStringLiteral("Region_List.Dat")))
        return Fail("the default world is missing from " + Utf8(sources_.contentDir));
    if (!CopyFile(source.filePath(QStringLiteral("Region_List.Dat")), QStringLiteral("Region_List.Dat"))) return false;
    for (const QString& sub : {QStringLiteral("Region"), QStringLiteral("AvatarData")}) {
        QDirIterator it(source.filePath(sub), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!CopyFile(path, source.relativeFilePath(path))) return false;
        }
    }
    out_ << "Installed the default world from " << Utf8(sources_.contentDir) << '\n';
    return true;
}

bool Installer::WriteBrowserPath() {
    if (sources_.containerPath.isEmpty()) return true;
    const auto path = PathText(QFileInfo(sources_.containerPath).absoluteFilePath());
    if (!path) return Fail("the path of moneko cannot be held by the settings (Shift-JIS)");
    HKEY key = nullptr;
    LONG rc = RegCreateKeyA(HKEY_LOCAL_MACHINE, kAppPathsKey, &key);
    if (rc != ERROR_SUCCESS) return Fail(DescribeError(rc));
    rc = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path->data()),
                        static_cast<DWORD>(path->size()));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return Fail(DescribeError(rc));
    out_ << "Set the browser path to " << Utf8(sources_.containerPath) << '\n';
    return true;
}

bool Installer::RegisterModules() {
    if (sources_.moduleDir.isEmpty()) return true;
    for (const char* name : kModuleFiles) {
        if (!QString::fromLatin1(name).endsWith(QStringLiteral(".ocx"))) continue;
        const std::string path = Utf8(installDir_ + "/" + QString::fromLatin1(name));
        const platform::com::HResult hr = platform::com::RegisterModuleFile(path);
        if (!platform::com::Succeeded(hr)) {
            std::string why = platform::com::ModuleLoader::Instance().LastError();
            return Fail("cannot register " + path + " (" + HexCode(hr) + (why.empty() ? "" : ", " + why) + ")");
        }
        out_ << "Registered " << name << '\n';
    }
    return true;
}

void Installer::RunTool(const QString& program, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(program).isEmpty()) return;
    QProcess tool;
    tool.start(program, arguments);
    if (tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0)
        out_ << "Ran " << Utf8(program) << '\n';
    else
        out_ << "Warning: " << Utf8(program) << " did not succeed; the file association may need a new login\n";
}

bool Installer::InstallDesktopIntegration() {
    if (sources_.containerPath.isEmpty()) return true;
    const QString data = DesktopDataDirectory();
    const QString container = QFileInfo(sources_.containerPath).absoluteFilePath();
    const QString entry = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Moneko♪\n"
                              "Comment=Chat with others in a shared 3D world\n"
                              "Comment[ja]=3D の世界でみんなとチャット\n"
                              "Exec=%1 %f\n"
                              "Icon=moneko\n"
                              "Terminal=false\n"
                              "MimeType=model/vrml;x-world/x-vrml;\n"
                              "Categories=Network;Chat;\n")
                              .arg(DesktopExecArgument(container));
    const QString desktopPath = data + "/applications/" + kDesktopFile;
    if (!WriteWhole(desktopPath, entry.toUtf8())) return Fail("cannot write " + Utf8(desktopPath));
    const QByteArray mime =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"model/vrml\">\n"
        "    <comment>VRML world</comment>\n"
        "    <alias type=\"x-world/x-vrml\"/>\n"
        "    <glob pattern=\"*.wrl\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    const QString mimePath = data + "/mime/packages/" + kMimePackage;
    if (!WriteWhole(mimePath, mime)) return Fail("cannot write " + Utf8(mimePath));
    out_ << "Installed " << Utf8(desktopPath) << " and " << Utf8(mimePath) << '\n';
    RunTool(QStringLiteral("update-mime-database"), {data + "/mime"});
    RunTool(QStringLiteral("update-desktop-database"), {data + "/applications"});
    RunTool(QStringLiteral("xdg-mime"), {"default", kDesktopFile, "model/vrml", "x-world/x-vrml"});
    return true;
}

bool Installer::WriteManifest() {
    QByteArray text;
    if (!sources_.containerPath.isEmpty())
        text += kBrowserLine + QFileInfo(sources_.containerPath).absoluteFilePath().toUtf8() + '\n';
    installed_.removeDuplicates();
    for (const QString& file : installed_) text += file.toUtf8() + '\n';
    if (!WriteWhole(ManifestPath(), text)) return Fail("cannot write " + Utf8(ManifestPath()));
    return true;
}

bool Installer::Uninstall() {
    QFile manifest(ManifestPath());
    if (!manifest.open(QIODevice::ReadOnly))
        return Fail("no installation made by moneko-setup in " + Utf8(installDir_));
    QStringList files;
    bool hadBrowser = false;
    for (const QByteArray& raw : manifest.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String(kBrowserLine))) {
            hadBrowser = true;
        } else if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')) && !line.contains(QStringLiteral(".."))) {
            files << line;
        }
    }
    manifest.close();

    // The file type keys still name the control while its classes are registered.
    const auto controlClsid = ClassesRootValue(std::string(kControlProgId) + "\\CLSID", nullptr);
    for (const QString& file : files) {
        if (!file.endsWith(QStringLiteral(".ocx"))) continue;
        const std::string path = Utf8(installDir_ + "/" + file);
        if (QFile::exists(QString::fromStdString(path)) &&
            !platform::com::Succeeded(platform::com::UnregisterModuleFile(path)))
            out_ << "Warning: could not unregister " << path << '\n';
        else
            out_ << "Unregistered " << Utf8(file) << '\n';
    }
    if (ClassesRootValue(".wrl", nullptr) == std::optional<std::string>(kControlProgId))
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".wrl");
    for (const char* type : {"model/vrml", "x-world/x-vrml"}) {
        const std::string key = std::string("MIME\\DataBase\\Content Type\\") + type;
        if (controlClsid && ClassesRootValue(key, "CLSID") == controlClsid) RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    }
    if (hadBrowser) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAppPathsKey);

    QStringList dirs;
    for (const QString& file : files) {
        QFile::remove(installDir_ + "/" + file);
        for (QString dir = QFileInfo(file).path(); dir != QStringLiteral("."); dir = QFileInfo(dir).path())
            dirs << dir;
    }
    // Deepest first; a folder the user put something into stays.
    dirs.removeDuplicates();
    std::sort(dirs.begin(), dirs.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& dir : dirs) QDir(installDir_).rmdir(dir);
    QFile::remove(ManifestPath());

    if (hadBrowser) {
        const QString data = DesktopDataDirectory();
        QFile::remove(data + "/applications/" + kDesktopFile);
        QFile::remove(data + "/mime/packages/" + kMimePackage);
        RunTool(QStringLiteral("update-mime-database"), {data + "/mime"});
        RunTool(QStringLiteral("update-desktop-database"), {data + "/applications"});
    }
    out_ << "Removed Moneko\u266a from " << Utf8(installDir_) << "; the settings and chat logs are kept\n";
    return true;
}
