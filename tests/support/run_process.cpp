#include <algorithm>
#include <chrono>

#include "run_process.h"

namespace rcon::support {

void ChildProcess::Gather(int which, std::string_view bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    (which == 1 ? out_ : err_).append(bytes);
  }
  changed_.notify_all();
}

void ChildProcess::StreamEnded() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    --streams_open_;
  }
  changed_.notify_all();
}

bool ChildProcess::WaitForOutput(std::string_view needle, int timeout_ms, std::size_t count) {
  // Counts as the output grows, never scanning a part twice: outputs run to megabytes.
  std::size_t found = 0;
  std::size_t from = 0;
  auto enough = [&] {
    for (std::size_t at = out_.find(needle, from); at != std::string::npos && found < count;
         at = out_.find(needle, from)) {
      ++found;
      from = at + 1;
    }
    if (found < count && out_.size() >= needle.size()) from = std::max(from, out_.size() - needle.size() + 1);
    return found >= count;
  };
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return enough() || streams_open_ == 0; });
  return enough();
}

std::string ChildProcess::Output() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return out_;
}

std::string ChildProcess::Errors() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return err_;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input,
                         const std::vector<std::string>& environment, int time_limit_ms) {
  ProcessResult result;
  const auto start = std::chrono::steady_clock::now();
  ChildProcess child(argv, environment);
  if (!child.Started()) return result;
  std::thread writer([&] {
    if (!input.empty()) child.Write(input);
    child.CloseInput();
  });
  result.exit_code = child.Wait(time_limit_ms);
  writer.join();
  result.timed_out = child.TimedOut();
  result.out = child.Output();
  result.err = child.Errors();
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

}  // namespace rcon::support
