#pragma once
// Avatar model files, each parsed once and copied per avatar. A file that cannot be read is
// remembered as such, and its avatars get the stand-in figure instead. Each model also keeps
// its lighter drawings for far figures, made when first asked for.
#include "controls/vrmlview/avatar_lod.h"

#include <QHash>
#include <QString>

#include <memory>

class SoSeparator;

class AvatarModelCache {
public:
    AvatarModelCache() = default;
    ~AvatarModelCache();
    AvatarModelCache(const AvatarModelCache&) = delete;
    AvatarModelCache& operator=(const AvatarModelCache&) = delete;

    // Lighter drawings, level 1 upward for figures further and further away.
    static constexpr int kLighterLevels = 3;

    // A new, unreferenced copy of the model (connections and DEF names kept), or null when the
    // file cannot be read as VRML. Its textures are the model's own, shared by every copy.
    SoSeparator* Instantiate(const QString& path);
    // The model's lighter drawing of this level (1 to kLighterLevels), plain or with a ghost's
    // transparency, with joints or rigid; null when the file is unreadable or the model cannot
    // be drawn that way.
    const AvatarLod* Lighter(const QString& path, int level, bool ghost, bool rigid);
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
        // Made on demand: [ghost][rigid][level - 1].
        std::shared_ptr<AvatarLod> lighter[2][2][kLighterLevels];
    };
    Entry& Lookup(const QString& path);
    QHash<QString, Entry> models_;
    SoSeparator* standIn_ = nullptr;
    int parses_ = 0;
};
