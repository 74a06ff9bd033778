#pragma once
// Vertex-based geometry draws by index into its coordinate, colour, normal and texture
// coordinate lists, and the scene library reads those lists without bounds checks: an index
// past the end of a list, or a list shorter than the faces it colours, crashes the first
// frame. These checks run before anything draws; an inconsistent index list is emptied (the
// shape draws nothing), an attribute list that does not cover the shape is dropped.
#include <QStringList>

class SoNode;

class GeometryIndexCheck {
public:
    // Mends node if it is such a geometry node; what was changed is added to fixes.
    static void Apply(SoNode* node, QStringList* fixes);
};
