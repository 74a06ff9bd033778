#pragma once
// Walks a scene just read, before anything draws it, and takes out what would crash the
// renderer or never end: a node of the wrong kind in a node field (a Color where a FontStyle
// belongs), a node that contains itself through USE, and graphs nested too deep to traverse.
#include <QHash>
#include <QSet>
#include <QString>

class SceneLoadContext;
class SoNode;

class SceneGraphChecker {
public:
    SceneGraphChecker(SceneLoadContext* context, QString file);
    // False when the world is over the node limit; offending references are removed either way.
    bool Check(SoNode* root);
    int Nodes() const { return static_cast<int>(seen_.size()); }

private:
    // False when the caller should drop its reference to node.
    bool Visit(SoNode* node, int depth);
    // Whether child may be the value of the named field of a VRML97 node.
    static bool Fits(const char* field, SoNode* child);

    SceneLoadContext* context_;
    QString file_;
    QSet<SoNode*> seen_;
    // Longest chain of nodes below and including each node checked; a node shared through USE
    // may sit deeper in one place than where it was first met.
    QHash<SoNode*, int> height_;
    QSet<SoNode*> path_;
    bool tooMany_ = false;
};
