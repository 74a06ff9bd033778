#pragma once
// The registry file on disk: read under a shared lock, changed under an exclusive lock on a lock
// file beside it ("<file>.lock") and replaced atomically (temporary file + rename), so a reader
// never sees half a file and two writers never lose each other's changes. A new file and the
// folders made for it are owner-only; temporary files of killed writers go with the next write.
#include "platform/registry/registry_tree.h"

#include <functional>
#include <string>

namespace platform::registry {

class RegistryFile {
public:
    explicit RegistryFile(std::string path);

    const std::string& Path() const { return path_; }

    // The current contents; an absent file is an empty registry. A file that cannot be read or
    // parsed also reads as empty, and *problem (if given) says why: "<file>, line N: ...".
    RegistryTree Read(std::string* problem = nullptr) const;

    // Applies change to the current contents and writes them back when it reports a change.
    // change returns ERROR_SUCCESS to keep going and sets *changed when there is something to
    // write. A file that cannot be parsed is left as it is: ERROR_BADDB.
    LONG Update(const std::function<LONG(RegistryTree& tree, bool* changed)>& change);

private:
    bool ReadText(std::string* text, int* error) const;
    LONG WriteText(const std::string& text);

    std::string path_;
};

}  // namespace platform::registry
