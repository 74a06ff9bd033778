// moneko-setup [--uninstall] [INSTALL_DIR]: installs into INSTALL_DIR (default
// ~/.local/share/moneko) the modules, the default world and the help page, writes the settings
// into the registry file ($MONEKO_REGISTRY or ~/.config/moneko/registry.reg), registers the
// modules and associates VRML files with the moneko container. --uninstall reverses it and keeps
// the settings and the chat logs.
#include "host/setup/installer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <iostream>

namespace {

// The modules and the container sit beside this program (a build's bin folder or a package);
// the default world beside it or in the source tree it was built from.
Installer::Sources FindSources() {
    const QString here = QCoreApplication::applicationDirPath();
    Installer::Sources sources;
    sources.moduleDir = qEnvironmentVariable("MONEKO_MODULE_DIR", here);
    for (const QString& dir : {qEnvironmentVariable("MONEKO_CONTENT_DIR"), here + "/content",
                               QStringLiteral(MONEKO_SOURCE_CONTENT_DIR)}) {
        if (!dir.isEmpty() && QFileInfo::exists(dir + "/Region_List.Dat")) {
            sources.contentDir = dir;
            break;
        }
    }
    if (QFileInfo(here + "/moneko").isExecutable()) sources.containerPath = here + "/moneko";
    return sources;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool uninstall = args.removeAll(QStringLiteral("--uninstall")) > 0;
    const bool help = args.size() == 1 && (args[0] == "-h" || args[0] == "--help");
    if (help || args.size() > 1 || (args.size() == 1 && args[0].startsWith("--"))) {
        // Asked for, the help is the output; after a mistake it explains the error.
        std::ostream& out = help ? std::cout : std::cerr;
        if (!help) out << "moneko-setup: unexpected arguments: " << args.join(' ').toStdString() << '\n';
        out << "usage: moneko-setup [--uninstall] [INSTALL_DIR]\n"
               "Installs Moneko\u266a: copies the modules, the default world and the help page into\n"
               "INSTALL_DIR, writes the settings file and registers the modules and the .wrl association.\n"
               "\n"
               "  INSTALL_DIR   where to install (default "
            << Installer::DefaultInstallDirectory().toStdString()
            << ")\n"
               "  --uninstall   remove the installation again; the settings and the chat logs stay\n"
               "  -h, --help    show this help and exit\n"
               "\n"
               "The settings file is $MONEKO_REGISTRY when set, else $XDG_CONFIG_HOME/moneko/registry.reg.\n";
        return help ? 0 : 2;
    }
    Installer installer(args.isEmpty() ? Installer::DefaultInstallDirectory() : args[0], std::cout);
    if (uninstall) {
        std::cout << "Uninstalling from " << installer.InstallDirectory().toStdString() << '\n';
        if (!installer.Uninstall()) {
            std::cerr << "moneko-setup: " << installer.LastError() << '\n';
            return 1;
        }
        return 0;
    }
    installer.SetSources(FindSources());
    std::cout << "Installing into " << installer.InstallDirectory().toStdString() << '\n';
    if (!installer.Run()) {
        std::cerr << "moneko-setup: " << installer.LastError() << '\n';
        return 1;
    }
    std::cout << "Done.\n";
    return 0;
}
