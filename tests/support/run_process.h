// Runs a program with its standard streams on pipes: the whole input is written (then
// closed), both outputs are collected, and the program is killed if it outlives the limit.
#pragma once

#include <cstdio>
#include <string>
#include <thread>
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

// Runs argv[0] with the arguments, input on its standard input and NAME=VALUE overrides in its
// environment (on Windows the environment is inherited: the console's code page is not a locale).
ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input,
                         const std::vector<std::string>& environment, int time_limit_ms);

// The bytes a text-mode standard stream carries for what the program wrote: on Windows every
// LF goes out as CR LF (so "\r\n" arrives as "\r\r\n"); elsewhere bytes pass unchanged.
std::string AsTextModeOutput(std::string_view written);

// The inverse: what the program wrote, given what its text-mode standard output carried.
std::string FromTextModeOutput(std::string_view carried);

// Whether the POSIX locale decides the console's encoding and the clock's 12/24 hours (on Windows
// the console has its own code page and the clock follows the user's settings).
bool LocaleDrivesConsoleAndClock();

// A stream that reads the given bytes through a real pipe in text mode; a thread feeds it.
class InputPipe {
 public:
  explicit InputPipe(std::string data);
  ~InputPipe();
  InputPipe(const InputPipe&) = delete;
  InputPipe& operator=(const InputPipe&) = delete;
  std::FILE* stream() const { return stream_; }

 private:
  std::FILE* stream_ = nullptr;
  std::thread writer_;
};

}  // namespace rcon::testing
