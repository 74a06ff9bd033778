#pragma once
// Lays out an installation directory and writes the settings the world host reads. Each step is
// a method of its own so later steps (modules, content, registration, desktop files) slot in;
// every step can run again: it fills in what is missing and keeps what the user changed.
#include <QString>
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

    // Runs every step in order and stops at the first that fails.
    bool Run();

    bool CheckRegistry();
    bool CreateDirectories();
    bool InstallHelp();
    bool WriteSettings();

    // Why the last step failed, for the user.
    const std::string& LastError() const { return error_; }

private:
    bool Fail(std::string why);

    QString installDir_;
    std::ostream& out_;
    std::string error_;
};
