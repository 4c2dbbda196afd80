// The program's driver: the connection parameters from the command line or the prompts,
// the connection and its outcome, and the command loop.
#pragma once

#include <cstdio>
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

// What the program takes from its surroundings besides its arguments; the platform's entry
// point fills it in.
struct Surroundings {
  ConsoleCodePage page = ConsoleCodePage::kGbk;  // the code page of the console's texts
  std::FILE* trace = nullptr;  // where every packet is written (RCON_CONSOLE_TRACE); none: nowhere
};

// Runs the whole program on the given arguments (program name excluded); returns the exit status.
int Main(Console& console, std::vector<Text> arguments, const Surroundings& surroundings = {});

}  // namespace rcon
