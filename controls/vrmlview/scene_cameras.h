#pragma once
// VRML 1.0 worlds give their start view as a camera node in the scene (PerspectiveCamera,
// OrthographicCamera). The view has one camera of its own that navigation moves; a camera left
// in the scene would take the picture over from it. So the first camera the scene would use
// gives the start view, and every camera node is then replaced by an empty one.
#include <Inventor/SbLinear.h>

class SoNode;
class SoPath;

class SceneCameras {
public:
    struct StartView {
        SbVec3f position;
        SbRotation orientation;
        float heightAngle = 0.785398f;  // for an orthographic camera, the default angle
    };
    // True when the scene had a camera; view then holds where it stood, in world coordinates.
    static bool Take(SoNode* scene, StartView* view);

    // A position and orientation given in the coordinates of the path's tail, in world coordinates.
    static void ToWorld(SoPath* path, const SbVec3f& localPosition, const SbRotation& localOrientation,
                        SbVec3f* position, SbRotation* orientation);
};
