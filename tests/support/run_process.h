// Running programs with their standard streams on pipes, for end-to-end tests and benchmarks.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace rcon::support {

// Whether a program's memory figures mean something in this build: the address sanitizer holds
// freed memory back on purpose.
#ifdef RCON_SANITIZED
inline constexpr bool kMemoryFiguresHold = false;
#else
inline constexpr bool kMemoryFiguresHold = true;
#endif

// The environment setting under which the program's standard streams carry the console's GBK
// bytes unchanged (scripts/test generates the locale).
inline constexpr const char* kGbkLocale = "LC_ALL=zh_CN.GBK";

// Resource figures of a running program.
struct ProcessStats {
  std::int64_t peak_rss_kb = -1;  // peak resident memory so far; -1 where it cannot be told
  int open_handles = -1;          // descriptors (handles) it holds open now
  // Memory now, where the system tells (Linux): resident, its proportional share of what it shares
  // with other processes, and what is its own alone (anonymous: heap, stack, written data).
  std::int64_t rss_kb = -1;
  std::int64_t pss_kb = -1;
  std::int64_t anonymous_kb = -1;
};

// A program started with its standard streams on pipes; its output is gathered as it comes.
class ChildProcess {
 public:
  // Starts argv[0] with NAME=VALUE overrides in its environment (on Windows the locale settings
  // are not passed: the console's code page is not a locale).
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
  // Kills the program if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Tells whether the program started.
  bool Started() const;
  // Writes to the program's standard input; false once it no longer reads.
  bool Write(std::string_view bytes);
  // Closes the program's standard input.
  void CloseInput();
  // Waits until its standard output holds `needle` `count` times, within the time; tells whether it did.
  bool WaitForOutput(std::string_view needle, int timeout_ms, std::size_t count = 1);
  // Standard output and standard error so far.
  std::string Output() const;
  std::string Errors() const;
  // Resource figures now.
  ProcessStats Stats() const;
  // Waits for the program to end within the time, killing it after that: its exit status, or -1.
  int Wait(int timeout_ms);
  bool TimedOut() const { return timed_out_; }

 private:
  struct Platform;
  void Gather(int which, std::string_view bytes);
  void StreamEnded();

  std::unique_ptr<Platform> platform_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string out_;
  std::string err_;
  int streams_open_ = 0;
  std::vector<std::thread> readers_;
  bool timed_out_ = false;
};

struct ProcessResult {
  int exit_code = -1;      // the exit status; -1 when it did not exit by itself
  bool timed_out = false;  // killed at the time limit
  std::string out;
  std::string err;
  double seconds = 0;      // how long it ran
};

// Runs a program to its end: the whole input on its standard input (then closed), both outputs collected.
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

// Whether files have modes that guard them (POSIX), as opposed to access lists (Windows).
bool FileModesGuardFiles();

// Sets a file's mode where files have modes; elsewhere does nothing.
void SetFileMode(const std::string& path, int mode);

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

}  // namespace rcon::support
