// Runs a program with its standard streams on pipes: the whole input is written (then
// closed), both outputs are collected, and the program is killed if it outlives the limit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rcon::testing {

struct ProcessResult {
  int exit_code = -1;      // the exit status; -1 when it did not exit by itself
  bool timed_out = false;  // killed at the time limit
  std::string out;
  std::string err;
  double seconds = 0;      // how long it ran
};

// Runs argv[0] with the arguments, input on its standard input and NAME=VALUE overrides in its environment.
ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input,
                         const std::vector<std::string>& environment, int time_limit_ms);

}  // namespace rcon::testing
