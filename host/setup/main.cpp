// moneko-setup [INSTALL_DIR]: installs into INSTALL_DIR (default ~/.local/share/moneko) and writes
// the settings into the registry file ($MONEKO_REGISTRY or ~/.config/moneko/registry.reg).
#include "host/setup/installer.h"

#include <QCoreApplication>
#include <QStringList>
#include <iostream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() > 1 || (args.size() == 1 && (args[0] == "-h" || args[0] == "--help"))) {
        std::cerr << "usage: moneko-setup [INSTALL_DIR]\n"
                     "Installs Moneko\u266a into INSTALL_DIR (default: "
                  << Installer::DefaultInstallDirectory().toStdString() << ") and writes its settings.\n";
        return args.size() > 1 ? 2 : 0;
    }
    Installer installer(args.isEmpty() ? Installer::DefaultInstallDirectory() : args[0], std::cout);
    std::cout << "Installing into " << installer.InstallDirectory().toStdString() << '\n';
    if (!installer.Run()) {
        std::cerr << "moneko-setup: " << installer.LastError() << '\n';
        return 1;
    }
    std::cout << "Done.\n";
    return 0;
}
