#pragma once
// Lays out an installation directory and writes the settings the world host reads. Each step is
// a method of its own so later steps (modules, content, registration, desktop files) slot in;
// every step can run again: it fills in what is missing and keeps what the user changed.
#include <QString>
#include <QStringList>
#include <ostream>
#include <string>

class Installer {
public:
    // installDir: a native path; relative paths are taken from the current directory.
    Installer(const QString& installDir, std::ostream& out);

    // $XDG_DATA_HOME/moneko, i.e. ~/.local/share/moneko by default.
    static QString DefaultInstallDirectory();

    const QString& InstallDirectory() const { return installDir_; }
    QString HelpFilePath() const;

    // Where the product's files come from. Steps whose source is not set are skipped.
    struct Sources {
        QString moduleDir;      // the control modules and vrmlbrowserpkg.zip
        QString contentDir;     // the default world: Region_List.Dat, Region/, AvatarData/
        QString containerPath;  // the moneko container: the browser the file types open with
    };
    void SetSources(const Sources& sources) { sources_ = sources; }
    // Where .desktop and MIME files go; $XDG_DATA_HOME (~/.local/share) unless set.
    void SetDesktopDataDirectory(const QString& dir) { desktopDataDir_ = dir; }

    // The files every installation holds; the .ocx among them are registered.
    static const char* const kModuleFiles[8];

    // Runs every step in order and stops at the first that fails.
    bool Run();
    // Reverses Run: unregisters and removes the modules, the world, the help page, the browser
    // path and the desktop files. Keeps the settings and the chat logs.
    bool Uninstall();

    bool CheckRegistry();
    bool CreateDirectories();
    bool InstallHelp();
    bool WriteSettings();
    bool InstallModules();
    bool InstallContent();
    bool WriteBrowserPath();
    bool RegisterModules();
    bool InstallDesktopIntegration();
    bool WriteManifest();

    // Why the last step failed, for the user.
    const std::string& LastError() const { return error_; }

private:
    bool Fail(std::string why);
    bool CopyFile(const QString& from, const QString& relativeTo);
    QString DesktopDataDirectory() const;
    QString ManifestPath() const;
    void RunTool(const QString& program, const QStringList& arguments);

    QString installDir_;
    std::ostream& out_;
    std::string error_;
    Sources sources_;
    QString desktopDataDir_;
    QStringList installed_;  // files put into the installation, relative to it
};
