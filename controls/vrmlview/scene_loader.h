#pragma once
// Reads a VRML scene from a plain path, a file:// URL or an http:// URL. Coin is not
// thread-safe, so bytes are fetched first and parsed on the GUI thread.
//
// Whatever the bytes are, reading never crashes or hangs: files are size-, nesting- and
// node-limited, Inlines are depth-limited and cycle-checked, node fields are type-checked
// before anything draws them. Constructs the scene library cannot read (nodes and fields of
// other browsers or of the other VRML version) are cut out with a warning naming file and
// line; a world fails only when nothing of it is loadable.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class SoNode;
class SoSeparator;

class SceneLoader {
public:
    // Bytes received of an address and its size (-1 while unknown), as a download goes on.
    using Progress = std::function<void(const QString& address, qint64 received, qint64 total)>;
    // Called for every download (worlds and their Inlines); empty for none. GUI thread only.
    static Progress& ProgressReporter();
    // Where downloaded files are cached; empty: moneko/web under the user's cache folder.
    static void SetCacheDirectory(const QString& directory);

    // Fills bytes and the directory relative references resolve against (empty for http).
    // Returns false with a reason for a missing file, a failed download or a bad address.
    static bool Fetch(const QString& address, QByteArray* bytes, QString* baseDirectory,
                      QString* error, int timeoutMs = 15000);
    // A referenced (ref() called) root, or null with a reason for anything that is not
    // readable VRML. Never throws, whatever the bytes are. source is the file's own address
    // (relative references and messages use it); warnings receive what was skipped.
    static SoSeparator* Read(const QByteArray& bytes, const QString& source, QString* error,
                             QStringList* warnings = nullptr);
    // Read for bytes whose relative references resolve against baseDirectory.
    static SoSeparator* Parse(const QByteArray& bytes, const QString& baseDirectory, QString* error);
    // Fetch and Read together.
    static SoSeparator* Load(const QString& address, QString* error, QStringList* warnings = nullptr);
    // Reads an Inline's file while a world is being read (see SceneLoadContext); null, with a
    // warning for the world, when it cannot be read. The content stays owned by the context.
    // kind names what refers to the file in warnings ("Inline", "EXTERNPROTO").
    static SoNode* LoadInline(const QString& reference, int line, const QString& kind = QStringLiteral("Inline"));
    // The local path a plain path or file:// address names; empty for anything else.
    static QString LocalPath(const QString& address);
    // The address messages and relative references use for what Fetch read.
    static QString SourceOf(const QString& address);
};
