#pragma once
// The scene library finds texture files only on disk; a world read from a web address names
// its pictures relative to that address. After such a world is read, its ImageTextures are
// fetched from the world's server (through the download cache) and given their pictures.
#include <QString>

class SceneLoadContext;
class SoNode;

class WebTextures {
public:
    static constexpr int kMaxSide = 8192;
    // For every ImageTexture under root that has no picture yet: resolve, fetch, decode, set.
    static void Apply(SoNode* root, const QString& source, SceneLoadContext* context);
};
