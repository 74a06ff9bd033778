#pragma once
// Finding nodes of one type in a subgraph, fields included.
#include <Inventor/SoFullPath.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>

#include <algorithm>
#include <vector>

// Every node of type T under root (each once, in traversal order), also those held in node
// fields such as a Shape's appearance, not only children.
template <typename T>
std::vector<T*> FindAllNodes(SoNode* root) {
    std::vector<T*> found;
    if (!root) return found;
    SoSearchAction search;
    search.setType(T::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    const SoPathList& paths = search.getPaths();
    for (int i = 0; i < paths.getLength(); ++i) {
        auto* node = static_cast<T*>(static_cast<SoFullPath*>(paths[i])->getTail());
        if (std::find(found.begin(), found.end(), node) == found.end()) found.push_back(node);
    }
    return found;
}
