#pragma once
// Inline nodes read through the scene loader instead of the scene library's own file reading,
// so every included file is resolved against the file that names it and goes through the same
// limits: depth, cycles, time, size, node count. A failing Inline stays empty; the rest of the
// world is unaffected.
//
// Both 3D modules of a process carry this code but share the scene library, so each read of a
// world installs the hooks of the module doing the reading (SceneLoadContext does that); an
// Inline read by another module's hook would not see the context in use.
#include <Inventor/VRMLnodes/SoVRMLInline.h>

class GuardedInline : public SoVRMLInline {
public:
    // Makes the library create GuardedInline for every Inline it reads or copies from now on.
    static void Install();

private:
    static void* Create();
    SbBool readInstance(SoInput* in, unsigned short flags) override;
    // Called by the library whenever the url field changes; loading happens in readInstance.
    SbBool readLocalFile(SoInput* in) override;

    bool reading_ = false;
};
