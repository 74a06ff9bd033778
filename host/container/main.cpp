// moneko [--world URL] [PAGE.html | WORLD.wrl | URL]: shows the world host control in a window,
// as a web page embedding it would. Exit status: 0 closed normally, 2 bad arguments or page,
// 3 the control is not installed or did not start.
#include "host/container/container_arguments.h"
#include "host/container/moneko_window.h"
#include "platform/com/control_site.h"
#include "platform/ui/dialog_units.h"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

constexpr const char* kControlProgId = "PLEXA.PlexaCtrl.1";

void Report(const QString& text, bool showBox) {
    std::fprintf(stderr, "moneko: %s\n", text.toLocal8Bit().constData());
    if (showBox) QMessageBox::critical(nullptr, QStringLiteral("Moneko♪"), text);
}

}  // namespace

int main(int argc, char** argv) {
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
        std::printf(
            "usage: moneko [--world URL] [--screenshot FILE [--after SECONDS]] [PAGE.html | WORLD.wrl | URL]\n"
            "Shows the Moneko\u266a world. The world comes from --world, from the SRC or World parameter of\n"
            "the page's <object>, or from a VRML file or address; without any, it starts with the choice of region.\n");
        return 0;
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
    if (!arguments.screenshotPath.isEmpty()) {
        QTimer::singleShot(arguments.screenshotDelaySeconds * 1000, &app, [&] {
            // The whole screen: dialogs the world opened show too.
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
            if (!shot.save(arguments.screenshotPath)) {
                std::fprintf(stderr, "moneko: cannot save %s\n", arguments.screenshotPath.toLocal8Bit().constData());
                QCoreApplication::exit(1);
                return;
            }
            QCoreApplication::exit(0);
        });
    }
    return app.exec();
}
