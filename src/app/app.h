// The program's driver: the connection parameters from the command line or the prompts,
// the connection and its outcome, and the command loop.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "rcon/codepage.h"
#include "util/text.h"

namespace rcon {

// Host, port, password and an optional time-out, read by position.
using ConnectionParameters = std::vector<Text>;

// Splits a raw process command line into its arguments, program name excluded.
std::vector<Text> SplitCommandLine(std::string_view command_line);

// Tells whether a text is not empty and holds ASCII digits only.
bool IsAllDigits(std::string_view text);

// Writes a text followed by CR LF to standard output.
void PrintLine(Console& console, std::string_view text = {});
void PrintLine(Console& console, const OwnText& text);

// Writes the usage text.
void PrintUsage(Console& console);

// Asks for host, port, password and time-out until the answers are usable, then replaces
// the list with them; false when standard input ended first (the list is then left as it was).
bool PromptForParameters(Console& console, ConnectionParameters& parameters);

// The program's exit statuses. Without options it always ends with kExitOk.
inline constexpr int kExitOk = 0;             // every command answered
inline constexpr int kExitUnreachable = 1;    // the server could not be reached
inline constexpr int kExitWrongPassword = 2;  // the server refused the password
inline constexpr int kExitUnanswered = 3;     // a command timed out, or the connection was lost for good
inline constexpr int kExitUsage = 64;         // unusable options or arguments

// What the program takes from its surroundings besides its arguments; the platform's entry
// point fills it in.
struct Surroundings {
  ConsoleCodePage page = ConsoleCodePage::kGbk;  // the code page of the console's texts
  std::FILE* trace = nullptr;  // where every packet is written (RCON_CONSOLE_TRACE); none: nowhere
  std::optional<Text> password;  // RCON_PASSWORD, in the console's code page; none: not set
  std::string servers_file;      // the servers file's path, as the system names it; empty: none
};

// Runs the whole program on the given arguments (program name excluded); returns the exit status.
int Main(Console& console, std::vector<Text> arguments, const Surroundings& surroundings = {});

}  // namespace rcon
