#pragma once
// A lighter drawing of one avatar model, for figures away from the viewer. Every moving part of
// the model (a Transform its gestures animate) becomes one mesh holding all of that part's
// shapes, divided at a given complexity, colours baked in and a texture reduced to its mean
// colour. The meshes are made once per model and shared by every avatar of that kind; each
// avatar gets only its own joints, which follow the same-named Transforms of its own model
// copy, so gestures play in the lighter drawing too. A rigid drawing is the whole figure in
// its rest pose as one mesh, drawn with one call, for figures that stand without a gesture.
#include <Inventor/SbLinear.h>
#include <Inventor/SbName.h>

#include <vector>

class SoNode;
class SoSeparator;

class AvatarLod {
public:
    // A ghost's figure is at least this transparent.
    static constexpr float kGhostTransparency = 0.6f;

    // transparency: at least this much everywhere (ghosts); the model's own still holds.
    AvatarLod(SoNode* model, float complexity, float transparency, bool rigid = false);
    ~AvatarLod();
    AvatarLod(const AvatarLod&) = delete;
    AvatarLod& operator=(const AvatarLod&) = delete;

    // Whether the model can be drawn this way: gestures that move anything but Transforms, or
    // parts that turn towards the viewer, cannot; such models are always drawn in full.
    static bool Supports(SoNode* model);
    bool Valid() const { return !parts_.empty(); }

    // A new, unreferenced figure whose joints follow the Transforms of ownModel, a copy of the
    // model this was made from; a rigid drawing's one shared mesh. Null when not Valid.
    SoSeparator* Instantiate(SoNode* ownModel) const;
    bool Rigid() const { return rigid_; }
    int Triangles() const { return triangles_; }
    int Parts() const { return static_cast<int>(parts_.size()); }

private:
    struct Part {
        SbName joint;      // empty for the model's fixed frame
        int parent = -1;
        SbMatrix offset;   // from the parent joint's frame to this joint's
        SoSeparator* mesh = nullptr;  // referenced; shared by every instance
    };
    void Collect(SoNode* under, int part, float complexity, float transparency);

    std::vector<Part> parts_;
    std::vector<SoNode*> joints_;  // of the model this was made from, for the walk
    int triangles_ = 0;
    bool rigid_ = false;
};
