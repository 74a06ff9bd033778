#include "controls/vrmlview/test_scenes.h"

#include "controls/vrmlview/coin_view.h"

#include <Inventor/SbViewVolume.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <cstdlib>

QString TestDataPath(const QString& name) {
    // The environment may not reach the test; the build tells us where the data is too.
    const char* source = std::getenv("MONEKO_SOURCE_DIR");
    if (source && *source) return QDir(QString::fromLocal8Bit(source)).filePath("controls/vrmlview/testdata/" + name);
    return QDir(QStringLiteral(VRMLVIEW_TESTDATA)).filePath(name);
}

const QByteArray kPlatesWorld =
    "#VRML V2.0 utf8\n"
    "Viewpoint { position 0 0 3 }\n"
    "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 0 1 0 } }\n"
    "  geometry Box { size 2 2 0.1 } }\n"
    "Transform { translation 0 0 -1 children Shape { appearance Appearance { material Material {\n"
    "  diffuseColor 0 0 0 emissiveColor 1 0 0 } } geometry Box { size 1 1 0.1 } } }\n";

void ShowForTest(QWidget* widget, int width, int height) {
    widget->resize(width, height);
    widget->show();
    if (!QTest::qWaitForWindowExposed(widget)) qWarning("window not exposed");
    RunEvents(50);
}

void RunEvents(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(1);
    } while (clock.elapsed() < ms);
}

QImage Frame(CoinView* view) { return view->GrabImage(); }

QString WriteWorld(const QString& dir, const QString& name, const QByteArray& text) {
    QFile file(QDir(dir).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return QString();
    return file.fileName();
}

bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

int DifferentPixels(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size()) return a.width() * a.height();
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!Near(a.pixelColor(x, y), b.pixelColor(x, y), tolerance)) ++count;
        }
    }
    return count;
}

QPoint ScreenPoint(CoinView* view, const SbVec3f& point) {
    const qreal ratio = view->devicePixelRatioF();
    const int w = std::max(1, static_cast<int>(view->width() * ratio));
    const int h = std::max(1, static_cast<int>(view->height() * ratio));
    SbVec3f screen;
    view->Camera()->getViewVolume(static_cast<float>(w) / h).projectToScreen(point, screen);
    return QPoint(static_cast<int>(screen[0] * w), static_cast<int>((1.0f - screen[1]) * h));
}
