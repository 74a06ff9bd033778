#pragma once
// Reads a VRML scene from a plain path, a file:// URL or an http:// URL. Coin is not
// thread-safe, so bytes are fetched first and parsed on the GUI thread.
#include <QByteArray>
#include <QString>

class SoSeparator;

class SceneLoader {
public:
    // Fills bytes and the directory relative references resolve against (empty for http).
    // Returns false with a reason for a missing file, a failed download or a bad address.
    static bool Fetch(const QString& address, QByteArray* bytes, QString* baseDirectory,
                      QString* error, int timeoutMs = 15000);
    // A referenced (ref() called) root, or null with a reason for anything that is not
    // readable VRML. Never throws, whatever the bytes are.
    static SoSeparator* Parse(const QByteArray& bytes, const QString& baseDirectory, QString* error);
    // Fetch and Parse together.
    static SoSeparator* Load(const QString& address, QString* error);
    // The local path a plain path or file:// address names; empty for anything else.
    static QString LocalPath(const QString& address);
};
