#pragma once
// What every end-to-end test needs before a panel starts: the real modules registered and the
// default world laid out in an installation folder of its own.
#include "platform/com/dispatch.h"
#include "platform/com/module_loader.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QString>
#include <gtest/gtest.h>

#include <string>

namespace e2e_support {

inline bool CopyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + "/" + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        if (!QFile::copy(file, target)) return false;
    }
    return true;
}

// The chat, view, communication and preview controls from the build, into the test's registry.
inline void RegisterClientModules() {
    namespace com = platform::com;
    const std::string bin = qgetenv("MONEKO_BIN_DIR").toStdString();
    for (const char* module : {"teskchat.ocx", "teskcontrolvrml.ocx", "teskcommunication.ocx", "vrmlbrowser.ocx"})
        ASSERT_TRUE(com::Succeeded(com::RegisterModuleFile(bin + "/" + module))) << module;
}

// A file's whole content; empty when it cannot be read.
inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Types text into a widget one character at a time, as an input method would deliver it
// (key clicks cannot carry Japanese).
inline void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

}  // namespace e2e_support
