#include "controls/vrmlview/scene_cameras.h"

#include <Inventor/SoFullPath.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/nodes/SoCamera.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoInfo.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>

void SceneCameras::ToWorld(SoPath* path, const SbVec3f& localPosition, const SbRotation& localOrientation,
                           SbVec3f* position, SbRotation* orientation) {
    SoGetMatrixAction matrixAction(SbViewportRegion(640, 480));
    matrixAction.apply(path);
    const SbMatrix& m = matrixAction.getMatrix();
    SbVec3f translation, scale;
    SbRotation rotation, scaleOrientation;
    m.getTransform(translation, rotation, scale, scaleOrientation);
    m.multVecMatrix(localPosition, *position);
    *orientation = localOrientation * rotation;
}

bool SceneCameras::Take(SoNode* scene, StartView* view) {
    if (!scene) return false;
    bool found = false;
    {
        // The camera a renderer would meet first: inactive Switch children do not count.
        SoSearchAction first;
        first.setType(SoCamera::getClassTypeId());
        first.setInterest(SoSearchAction::FIRST);
        first.apply(scene);
        if (SoPath* path = first.getPath()) {
            auto* camera = static_cast<SoCamera*>(static_cast<SoFullPath*>(path)->getTail());
            ToWorld(path, camera->position.getValue(), camera->orientation.getValue(), &view->position,
                    &view->orientation);
            if (camera->isOfType(SoPerspectiveCamera::getClassTypeId())) {
                const float angle = static_cast<SoPerspectiveCamera*>(camera)->heightAngle.getValue();
                if (angle > 0.01f && angle < 3.1f) view->heightAngle = angle;
            }
            found = true;
        }
    }
    SoSearchAction all;
    all.setType(SoCamera::getClassTypeId());
    all.setInterest(SoSearchAction::ALL);
    all.setSearchingAll(TRUE);
    all.apply(scene);
    const SoPathList& paths = all.getPaths();
    for (int i = 0; i < paths.getLength(); ++i) {
        auto* path = static_cast<SoFullPath*>(paths[i]);
        if (path->getLength() < 2) continue;
        SoNode* parent = path->getNodeFromTail(1);
        if (parent->isOfType(SoGroup::getClassTypeId())) {
            auto* group = static_cast<SoGroup*>(parent);
            // Replaced rather than removed, so a Switch still picks the child it picked.
            const int index = group->findChild(path->getTail());
            if (index >= 0) group->replaceChild(index, new SoInfo);
        }
    }
    return found;
}
