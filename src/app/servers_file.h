// The servers file: saved servers by name, in TOML, one table each:
//
//   [survival]
//   host = "mc.example.net"
//   port = 25575
//   password = "..."            # or password_file = "/path/to/file"; both may be left out
//   timeout = 5000              # milliseconds; may be left out
//
// Pure: the file's text in, the servers or what is wrong with them out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/text.h"

namespace rcon {

// One saved server; texts in UTF-8, as the file holds them.
struct SavedServer {
  std::string name;
  std::string host;
  std::string port;  // decimal digits
  std::optional<std::string> password;
  std::optional<std::string> password_file;
  std::optional<std::string> timeout;  // decimal digits
  int line = 0;                        // where its table begins in the file
};

// What is wrong with a servers file: where, and what.
struct ServersFileError {
  enum class Kind {
    kSyntax,        // not TOML: `detail` holds the parser's own description
    kNotATable,     // a top-level key that is not a [server] table
    kUnknownKey,    // a key no server has (`detail`: the key)
    kMissingHost,
    kMissingPort,
    kBadValue,      // a value of the wrong type or range (`detail`: the key)
  };
  Kind kind;
  int line = 0;
  std::string detail;
};

// The servers of a file, in the order they stand in it.
struct ServersFile {
  std::vector<SavedServer> servers;
  bool holds_password = false;  // some server's password stands in the file itself
};

// Reads the servers from a file's text (UTF-8 TOML); `path` names it in the parser's messages.
// Either the servers, or the first thing wrong with them.
std::optional<ServersFile> ParseServersFile(std::string_view text, std::string_view path, ServersFileError& error);

// The server of that name, or nothing.
const SavedServer* FindServer(const ServersFile& file, std::string_view name);

}  // namespace rcon
