#pragma once
// Avatar model files, each parsed once and copied per avatar. A file that cannot be read is
// remembered as such, and its avatars get the stand-in figure instead.
#include <QHash>
#include <QString>

class SoSeparator;

class AvatarModelCache {
public:
    AvatarModelCache() = default;
    ~AvatarModelCache();
    AvatarModelCache(const AvatarModelCache&) = delete;
    AvatarModelCache& operator=(const AvatarModelCache&) = delete;

    // A new, unreferenced copy of the model (connections and DEF names kept), or null when the
    // file cannot be read as VRML.
    SoSeparator* Instantiate(const QString& path);
    // A new, unreferenced copy of the figure shown for unreadable models.
    SoSeparator* InstantiateStandIn();
    // Top of the model above its origin, in metres (where the name tag goes).
    float Height(const QString& path);
    // How many files have been parsed so far.
    int ParseCount() const { return parses_; }

private:
    struct Entry {
        SoSeparator* model = nullptr;  // referenced; null: unreadable
        float height = 1.8f;
    };
    Entry& Lookup(const QString& path);
    QHash<QString, Entry> models_;
    SoSeparator* standIn_ = nullptr;
    int parses_ = 0;
};
