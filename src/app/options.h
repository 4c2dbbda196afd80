// The command-line options. One table drives both their parsing and the help text, so that the
// two never disagree. Options stand before the positional arguments, getopt_long's way:
// --name=value and --name value, -cVALUE and -c VALUE, bundled flags (-hV), a unique prefix of
// a long name, and -- to end them.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "util/text.h"

namespace rcon {

enum class OptionId { kCommand, kServer, kPasswordFile, kTimeout, kRaw, kServers, kHelp, kVersion };

// One option: its names, the name of its value in the help text (empty: it takes none), and
// what it does.
struct OptionSpec {
  OptionId id;
  char short_name;  // 0: none
  std::string_view long_name;
  OwnText value;
  OwnText help;
};

// Every option, in the order the help text lists them.
extern const std::array<OptionSpec, 8> kOptionTable;

// What the command line asked for.
struct Options {
  std::vector<Text> commands;      // -c, in order
  std::optional<Text> server;      // -s
  std::optional<Text> password_file;
  std::optional<Text> timeout;     // -t, as given
  bool raw = false;
  bool list_servers = false;
  bool help = false;
  bool version = false;
  std::vector<Text> positional;    // what follows the options
};

// What is wrong with the options.
struct OptionError {
  enum class Kind { kUnknown, kAmbiguous, kMissingValue, kUnexpectedValue };
  Kind kind = Kind::kUnknown;
  Text option;  // as it stood on the command line
};

// Tells whether an argument is an option (or --): it starts with "-" and is more than that.
bool LooksLikeOption(std::string_view argument);

// Reads the options, then takes the rest as positional arguments; nothing, with `error` set,
// when an option is unknown, ambiguous or without the value it needs.
std::optional<Options> ParseOptions(const std::vector<Text>& arguments, OptionError& error);

}  // namespace rcon
