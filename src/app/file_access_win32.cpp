#include "app/file_access.h"

namespace rcon {

// A Windows file is as private as its folder's access list makes it: the user's own folders
// (%APPDATA% among them) are closed to other users.
bool OthersMayRead(const std::string& /*path*/) { return false; }

}  // namespace rcon
