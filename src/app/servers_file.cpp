#include "app/servers_file.h"

#include <algorithm>

// Errors are results here too: the parser reports them in its result, never by throwing. Numbers
// are read with <charconv> (GCC has it for floating point too): C++'s string streams would bring
// their whole locale machinery into the program. Nothing is written back as TOML.
#define TOML_EXCEPTIONS 0
#define TOML_FLOAT_CHARCONV 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

namespace rcon {
namespace {

int LineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

// A whole number in the range, as decimal digits; nothing when the node is anything else.
std::optional<std::string> Digits(const toml::node& node, std::int64_t least, std::int64_t most) {
  const std::optional<std::int64_t> value = node.value_exact<std::int64_t>();
  if (!value || *value < least || *value > most) return std::nullopt;
  return std::to_string(*value);
}

// Reads one [server] table into `server`; false with `error` set when something is wrong.
bool ReadServer(const toml::table& table, SavedServer& server, ServersFileError& error) {
  for (auto&& [key, node] : table) {
    const std::string_view name = key.str();
    std::optional<std::string> value;
    if (name == "host" || name == "password" || name == "password_file") {
      if (const auto text = node.value_exact<std::string>()) value = *text;
    } else if (name == "port") {
      value = Digits(node, 0, 65535);
    } else if (name == "timeout") {
      value = Digits(node, 0, 2147483647);
    } else {
      error = {ServersFileError::Kind::kUnknownKey, LineOf(node), std::string(name)};
      return false;
    }
    if (!value) {
      error = {ServersFileError::Kind::kBadValue, LineOf(node), std::string(name)};
      return false;
    }
    if (name == "host") server.host = *value;
    if (name == "port") server.port = *value;
    if (name == "password") server.password = *value;
    if (name == "password_file") server.password_file = *value;
    if (name == "timeout") server.timeout = *value;
  }
  const int line = LineOf(table);
  if (server.host.empty()) error = {ServersFileError::Kind::kMissingHost, line, server.name};
  if (!server.host.empty() && server.port.empty()) error = {ServersFileError::Kind::kMissingPort, line, server.name};
  return !server.host.empty() && !server.port.empty();
}

}  // namespace

std::optional<ServersFile> ParseServersFile(std::string_view text, std::string_view path, ServersFileError& error) {
  toml::parse_result parsed = toml::parse(text, path);
  if (!parsed) {
    error = {ServersFileError::Kind::kSyntax, static_cast<int>(parsed.error().source().begin.line),
             std::string(parsed.error().description())};
    return std::nullopt;
  }
  ServersFile file;
  for (auto&& [key, node] : parsed.table()) {
    const toml::table* table = node.as_table();
    if (table == nullptr) {
      error = {ServersFileError::Kind::kNotATable, LineOf(node), std::string(key.str())};
      return std::nullopt;
    }
    SavedServer server;
    server.name = key.str();
    server.line = LineOf(*table);
    if (!ReadServer(*table, server, error)) return std::nullopt;
    file.holds_password = file.holds_password || server.password.has_value();
    // The parser keeps tables by name: each goes back to its place in the file's order.
    const auto after = std::find_if(file.servers.begin(), file.servers.end(),
                                    [&](const SavedServer& s) { return s.line > server.line; });
    file.servers.insert(after, std::move(server));
  }
  return file;
}

const SavedServer* FindServer(const ServersFile& file, std::string_view name) {
  for (const SavedServer& server : file.servers) {
    if (server.name == name) return &server;
  }
  return nullptr;
}

}  // namespace rcon
