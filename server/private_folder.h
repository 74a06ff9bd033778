#pragma once
// Folders for the server's sockets and state that only its own user may enter. An existing
// folder is used only when it is a real directory (not a link) of this user with no access for
// anyone else: a folder someone else made first could hold their socket in place of ours.
#include <string>

namespace server {

// Makes the folder (and missing parents, mode 0700) or checks the existing one; false with
// *error naming the folder when it cannot be made or is not private.
bool MakePrivateFolder(const std::string& path, std::string* error);
// The same, but an existing folder others may read is accepted as long as only this user can
// change what is in it (a data folder whose files carry their own modes).
bool MakeOwnFolder(const std::string& path, std::string* error);

}  // namespace server
