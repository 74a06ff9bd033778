// moneko [--world URL] [PAGE.html | WORLD.wrl | URL]: shows the world host control in a window,
// as a web page embedding it would. Exit status: 0 closed normally, 2 bad arguments or page,
// 3 the control is not installed or did not start.
#include "host/container/container_arguments.h"
#include "host/container/moneko_window.h"
#include "host/container/unattended_modal_seam.h"
#include "platform/com/control_site.h"
#include "platform/ui/dialog_units.h"
#include "platform/text/cp932.h"
#include "platform/ui/message_box.h"
#include "platform/ui/modal_seam.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kControlProgId = "PLEXA.PlexaCtrl.1";

void Report(const QString& text, bool showBox) {
    std::fprintf(stderr, "moneko: %s\n", text.toLocal8Bit().constData());
    if (showBox)
        platform::ui::CurrentModalSeam().MessageBox(nullptr, platform::FromQString(text),
                                                    platform::FromQString(QStringLiteral("Moneko♪")),
                                                    platform::ui::MB_OK | platform::ui::MB_ICONSTOP);
}

constexpr const char* kHelp =
    "usage: moneko [OPTION]... [PAGE.html | WORLD.wrl | URL]\n"
    "Shows the Moneko\u266a world: the world host control in a window, as a web page embedding it would.\n"
    "The world comes from --world, from the SRC or World parameter of the page's <object>, or from a\n"
    "VRML file or address given alone; without any, it starts with the choice of region.\n"
    "\n"
    "  --world URL          the world (a VRML file or address) to show first (default: none)\n"
    "  --screenshot FILE    save a picture of the screen to FILE, then quit (default: keep running);\n"
    "                       message boxes and dialogs still open then are answered with their default\n"
    "                       after 3 seconds, and stderr says so\n"
    "  --after SECONDS      with --screenshot: how long to wait before the picture (default 10)\n"
    "  -h, --help           show this help and exit\n"
    "\n"
    "Settings are read from $MONEKO_REGISTRY when set, else $XDG_CONFIG_HOME/moneko/registry.reg;\n"
    "moneko-setup writes them. Exit status: 0 closed normally, 1 the picture could not be saved,\n"
    "2 bad arguments or page, 3 the control is not installed or did not start.\n";

}  // namespace

int main(int argc, char** argv) {
    // Help needs no display: answer it before the application connects to one.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("moneko"));
    platform::ui::InstallFontSubstitutions();

    std::optional<platform::com::Guid> clsid;
    if (platform::com::Guid found; platform::com::CLSIDFromProgID(kControlProgId, &found) == platform::com::S_OK)
        clsid = found;

    ContainerArguments arguments;
    QString error;
    if (!arguments.Parse(app.arguments().mid(1), clsid, &error)) {
        std::fprintf(stderr, "moneko: %s\nusage: moneko [--world URL] [PAGE.html | WORLD.wrl | URL]\n",
                     error.toLocal8Bit().constData());
        return 2;
    }
    if (arguments.helpRequested) {
        std::fputs(kHelp, stdout);
        return 0;
    }

    // A run nobody watches must not wait for anybody: boxes are answered and the picture is
    // taken even when the world could not start.
    host::UnattendedModalSeam unattended;
    const bool unattendedRun = !arguments.screenshotPath.isEmpty();
    if (unattendedRun) {
        platform::ui::InstallModalSeam(&unattended);
        QTimer::singleShot(arguments.screenshotDelaySeconds * 1000, &app, [&] {
            // The whole screen: dialogs the world opened show too.
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
            if (!shot.save(arguments.screenshotPath)) {
                std::fprintf(stderr, "moneko: cannot save the picture to %s\n",
                             arguments.screenshotPath.toLocal8Bit().constData());
                QCoreApplication::exit(1);
                return;
            }
            QCoreApplication::exit(0);
        });
    }

    MonekoWindow window;
    window.SetGeometryStore(WindowGeometryStore());
    switch (window.Open(kControlProgId, arguments.params, &error)) {
        case MonekoWindow::OpenResult::Opened: break;
        case MonekoWindow::OpenResult::StartFailed:
            // The module has told the user what is missing.
            Report(error, false);
            return 3;
        default: Report(error, true); return 3;
    }
    window.show();
    const int status = app.exec();
    if (unattendedRun) platform::ui::InstallModalSeam(nullptr);
    return status;
}
