#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "run_process.h"

extern char** environ;

namespace rcon::support {

struct ChildProcess::Platform {
  pid_t pid = -1;
  int input = -1;
  bool ended = false;
};

namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> merged;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& o : overrides) replaced = replaced || o.substr(0, o.find('=')) == name;
    if (!replaced) merged.push_back(entry);
  }
  merged.insert(merged.end(), overrides.begin(), overrides.end());
  return merged;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (const std::string& t : texts) out.push_back(const_cast<char*>(t.c_str()));
  out.push_back(nullptr);
  return out;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
    : platform_(std::make_unique<Platform>()) {
  signal(SIGPIPE, SIG_IGN);  // a program may end before it has read all its input
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  const std::vector<std::string> env = MergedEnvironment(environment);
  std::vector<char*> args = Pointers(argv), envp = Pointers(env);
  const int spawned = posix_spawn(&platform_->pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) {
    platform_->pid = -1;
    close(in[1]);
    close(out[0]);
    close(err[0]);
    return;
  }
  platform_->input = in[1];
  streams_open_ = 2;
  for (const auto& [fd, which] : {std::pair{out[0], 1}, std::pair{err[0], 2}}) {
    readers_.emplace_back([this, fd = fd, which = which] {
      char block[65536];
      for (;;) {
        const ssize_t n = read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        Gather(which, std::string_view(block, static_cast<std::size_t>(n)));
      }
      close(fd);
      StreamEnded();
    });
  }
}

ChildProcess::~ChildProcess() {
  if (Started() && !platform_->ended) Wait(0);
  CloseInput();
  for (std::thread& t : readers_) t.join();
}

bool ChildProcess::Started() const { return platform_->pid > 0; }

bool ChildProcess::Write(std::string_view bytes) {
  while (!bytes.empty() && platform_->input >= 0) {
    const ssize_t n = write(platform_->input, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return bytes.empty();
}

void ChildProcess::CloseInput() {
  if (platform_->input >= 0) close(platform_->input);
  platform_->input = -1;
}

ProcessStats ChildProcess::Stats() const {
  ProcessStats stats;
  const std::string proc = "/proc/" + std::to_string(platform_->pid);
  std::ifstream status(proc + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) stats.peak_rss_kb = std::stoll(line.substr(6));
  }
  std::ifstream rollup(proc + "/smaps_rollup");
  for (std::string line; std::getline(rollup, line);) {
    if (line.rfind("Rss:", 0) == 0) stats.rss_kb = std::stoll(line.substr(4));
    if (line.rfind("Pss:", 0) == 0) stats.pss_kb = std::stoll(line.substr(4));
    if (line.rfind("Anonymous:", 0) == 0) stats.anonymous_kb = std::stoll(line.substr(10));
  }
  if (DIR* dir = opendir((proc + "/fd").c_str())) {
    stats.open_handles = 0;
    while (const dirent* entry = readdir(dir)) stats.open_handles += entry->d_name[0] != '.';
    closedir(dir);
  }
  return stats;
}

int ChildProcess::Wait(int timeout_ms) {
  if (!Started() || platform_->ended) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  {
    // The program's end closes its output: wait for that, then collect its status.
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return streams_open_ == 0; });
  }
  int status = 0;
  pid_t done = 0;
  // The output closes a moment before the program can be collected: look again soon, so that a
  // benchmark timing the program's whole run is not a millisecond off.
  while ((done = waitpid(platform_->pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::microseconds(20));
  }
  if (done == 0) {
    kill(platform_->pid, SIGKILL);
    timed_out_ = true;
    waitpid(platform_->pid, &status, 0);
  }
  platform_->ended = true;
  return !timed_out_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string AsTextModeOutput(std::string_view written) { return std::string(written); }

std::string FromTextModeOutput(std::string_view carried) { return std::string(carried); }

bool LocaleDrivesConsoleAndClock() { return true; }

bool FileModesGuardFiles() { return true; }

void SetFileMode(const std::string& path, int mode) { chmod(path.c_str(), static_cast<mode_t>(mode)); }

InputPipe::InputPipe(std::string data) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  writer_ = std::thread([fd = fds[1], data = std::move(data)] {
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = write(fd, data.data() + done, data.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(fd);
  });
  stream_ = fdopen(fds[0], "r");
}

InputPipe::~InputPipe() {
  if (stream_ != nullptr) std::fclose(stream_);  // a writer still blocked then fails and ends
  if (writer_.joinable()) writer_.join();
}

}  // namespace rcon::support
