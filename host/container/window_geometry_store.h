#pragma once
// Remembers the container window's size, place and maximised state between runs, in an INI file
// of its own (not the registry: nothing but this window reads it). A remembered geometry is fitted
// to the screens there are now, so a window saved on a larger or a detached monitor still opens
// whole and reachable.
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

class WindowGeometryStore {
public:
    // The default file: $XDG_CONFIG_HOME/moneko/window.conf.
    WindowGeometryStore();
    explicit WindowGeometryStore(QString path);

    // Applies the remembered geometry; without one (or an unreadable one) the window gets the
    // fallback size and the window manager places it. Either way the size is at least the
    // window's minimum and at most the screen's free area.
    void Restore(QWidget& window, QSize fallback) const;
    void Save(const QWidget& window) const;

    // The rectangle a window of this size wants, moved and shrunk into available.
    static QRect FitInto(QRect wanted, const QRect& available, QSize minimum);

    const QString& Path() const { return m_path; }

private:
    QString m_path;
};
