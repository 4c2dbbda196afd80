// Files the program reads for its parameters: the servers file and password files.
#pragma once

#include <optional>
#include <string>

namespace rcon {

// Reads a whole file (a pipe too, to its end); nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Tells whether users other than the file's owner may read it: on POSIX, its group or everyone
// has read permission. On Windows, whose files are guarded by their folders' access lists, never.
bool OthersMayRead(const std::string& path);

}  // namespace rcon
