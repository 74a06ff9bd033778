#include "host/container/window_geometry_store.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

namespace {

QString DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/moneko/window.conf");
}

QRect AvailableFor(const QRect& wanted) {
    // The screen the window was on, if it is still there; else the primary one.
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

WindowGeometryStore::WindowGeometryStore() : m_path(DefaultPath()) {}

WindowGeometryStore::WindowGeometryStore(QString path) : m_path(std::move(path)) {}

QRect WindowGeometryStore::FitInto(QRect wanted, const QRect& available, QSize minimum) {
    if (!available.isValid()) return wanted;
    const int w = std::clamp(wanted.width(), std::min(minimum.width(), available.width()), available.width());
    const int h = std::clamp(wanted.height(), std::min(minimum.height(), available.height()), available.height());
    wanted.setSize(QSize(w, h));
    const int x = std::clamp(wanted.x(), available.left(), available.left() + available.width() - w);
    const int y = std::clamp(wanted.y(), available.top(), available.top() + available.height() - h);
    wanted.moveTopLeft(QPoint(x, y));
    return wanted;
}

void WindowGeometryStore::Restore(QWidget& window, QSize fallback) const {
    QSettings settings(m_path, QSettings::IniFormat);
    const QRect saved = settings.value(QStringLiteral("window/geometry")).toRect();
    if (!saved.isValid() || saved.width() <= 0 || saved.height() <= 0) {
        // A first start: the size only; where a new window goes is the window manager's choice.
        const QRect available = AvailableFor(QRect());
        const QRect fitted = FitInto(QRect(available.topLeft(), fallback), available, window.minimumSize());
        window.resize(fitted.size());
        return;
    }
    const QRect placed = FitInto(saved, AvailableFor(saved), window.minimumSize());
    window.resize(placed.size());
    window.move(placed.topLeft());
    if (settings.value(QStringLiteral("window/maximized")).toBool()) window.setWindowState(Qt::WindowMaximized);
}

void WindowGeometryStore::Save(const QWidget& window) const {
    QSettings settings(m_path, QSettings::IniFormat);
    // A maximised or full-screen window keeps the size it had before, for the next normal start.
    // The place is the frame's (what move() takes), the size the client's (what resize() takes).
    const QRect normal = window.isMaximized() || window.isFullScreen() ? window.normalGeometry()
                                                                        : QRect(window.pos(), window.size());
    if (normal.isValid()) settings.setValue(QStringLiteral("window/geometry"), normal);
    settings.setValue(QStringLiteral("window/maximized"), window.isMaximized());
    settings.sync();
}
