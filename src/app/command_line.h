// What the command line settles when it holds options: the connection's parameters from the
// arguments, the servers file, a password file or the environment, and what to run with them;
// or the help, the version, the saved servers, or a complaint, after which the program ends.
// Private to the driver.
#pragma once

#include <optional>
#include <vector>

#include "app/app.h"
#include "app/options.h"

namespace rcon {

// How to run: the parameters, and the commands of one-shot mode (none: a session).
struct RunPlan {
  ConnectionParameters parameters;
  std::vector<Text> commands;
  bool raw = false;  // one-shot replies keep their colour codes in pipes
};

// Settles the options; nothing, with the exit status set, when the program ends here.
std::optional<RunPlan> SettleOptions(Console& console, const Options& options, const Surroundings& surroundings,
                                     int& status);

// Writes a complaint about the command line and the help hint to standard error: kExitUsage.
int Complain(Console& console, const OwnText& what, std::string_view detail = {});

// The same for a complaint whose beginning (the program's name and where) is written already.
int FinishComplaint(Console& console, const OwnText& what, std::string_view detail = {});

// Writes the help text, built from the option table.
void PrintHelp(Console& console);

// Prints the prompt (to standard output, or standard error: `direction` 2) and reads an answer
// until `accept` takes it, silently asking again; nothing when standard input ended first.
std::optional<Text> Ask(Console& console, const OwnText& prompt, bool (*accept)(std::string_view), bool hidden = false,
                        int direction = 0);

}  // namespace rcon
