#pragma once
// One scene being read, with every file it pulls in through Inline nodes: which files are open
// (so a file that includes itself is caught), how deep, how long it has taken, what was
// skipped. The scene library reads Inlines from inside its own parser through process-wide
// hooks, so the context in use is reachable as Current() while a read runs (GUI thread only).
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

class SoInput;
class SoNode;

class SceneLoadContext {
public:
    struct Limits {
        qint64 maxFileBytes = 64 * 1024 * 1024;  // after gzip is undone
        int maxNesting = 256;                    // braces and brackets, and depth of the scene graph
        int maxNodes = 1000000;                  // for the whole world, Inlines included
        int maxInlineDepth = 8;
        int maxRepairs = 200;                    // constructs cut out of one file
        int budgetMs = 20000;                    // after this no further Inline is read
        bool allowWeb = true;                    // http(s) Inlines; off where no network may be used
    };
    // The limits a context made without explicit ones gets; adjustable for tools and tests.
    static Limits& Defaults();

    explicit SceneLoadContext(const Limits& limits);
    SceneLoadContext();
    ~SceneLoadContext();
    SceneLoadContext(const SceneLoadContext&) = delete;
    SceneLoadContext& operator=(const SceneLoadContext&) = delete;

    static SceneLoadContext* Current();
    const Limits& Limit() const { return limits_; }

    // The address a reference in the file being read names: absolute, file paths cleaned.
    QString Resolve(const QString& reference) const;
    // The key a file is known by (symbolic links followed), for cycle detection and reuse.
    static QString Identity(const QString& address);

    // Opens a file for reading; false with a reason when that would make a cycle or go too deep.
    bool Enter(const QString& address, QString* whyNot);
    void Leave();
    QString CurrentFile() const { return open_.isEmpty() ? QString() : open_.last(); }
    int Depth() const { return static_cast<int>(open_.size()); }

    void Warn(const QString& file, int line, const QString& text);
    const QStringList& Warnings() const { return warnings_; }
    static QString Where(const QString& file, int line);
    // The line the library's input is reading now; 0 when it does not say.
    static int LineOf(SoInput* in);

    bool OverBudget() const { return clock_.elapsed() > limits_.budgetMs; }
    qint64 ElapsedMs() const { return clock_.elapsed(); }
    // Nodes counted so far for the whole world; false once over the limit.
    bool AddNodes(int count);

    // Inline content already read, keyed by Identity; each file is read once per world.
    SoNode* Loaded(const QString& identity) const;
    bool Failed(const QString& identity) const { return failed_.contains(identity); }
    void Remember(const QString& identity, SoNode* content);  // null: it failed

private:
    Limits limits_;
    SceneLoadContext* previous_ = nullptr;
    QStringList open_;
    QStringList openIds_;
    QStringList warnings_;
    QElapsedTimer clock_;
    int nodes_ = 0;
    QHash<QString, SoNode*> loaded_;
    QSet<QString> failed_;
};
