#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstring>

#include "run_process.h"

namespace rcon::support {
namespace {

// The environment block for a child: this process's own, with the NAME=VALUE overrides in place.
// The locale settings are left out: a Windows console has its own code page, and under Wine they
// would change the child's.
std::string EnvironmentBlock(const std::vector<std::string>& overrides) {
  std::vector<std::string> entries;
  char* own = GetEnvironmentStringsA();
  for (const char* e = own; *e != '\0'; e += std::strlen(e) + 1) entries.emplace_back(e);
  FreeEnvironmentStringsA(own);
  for (const std::string& o : overrides) {
    const std::string name = o.substr(0, o.find('=') + 1);
    if (name.rfind("LC_", 0) == 0 || name == "LANG=") continue;
    std::erase_if(entries, [&](const std::string& e) { return _strnicmp(e.c_str(), name.c_str(), name.size()) == 0; });
    entries.push_back(o);
  }
  std::string block;
  for (const std::string& e : entries) block.append(e).push_back('\0');
  block.push_back('\0');
  return block;
}

// Quotes an argument the way the program's own command-line splitter reads it back.
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  return "\"" + argument + "\"";
}

}  // namespace

struct ChildProcess::Platform {
  HANDLE process = nullptr;
  HANDLE thread = nullptr;
  HANDLE input = nullptr;
  bool ended = false;
};

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
    : platform_(std::make_unique<Platform>()) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in_read, in_write, out_read, out_write, err_read, err_write;
  if (!CreatePipe(&in_read, &in_write, &inherit, 0) || !CreatePipe(&out_read, &out_write, &inherit, 0) ||
      !CreatePipe(&err_read, &err_write, &inherit, 0)) {
    return;
  }
  SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
  std::string command_line;
  for (const std::string& a : argv) {
    if (!command_line.empty()) command_line += ' ';
    command_line += Quote(a);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read;
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION process{};
  std::string block = EnvironmentBlock(environment);
  const BOOL created = CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, block.data(), nullptr,
                                      &startup, &process);
  CloseHandle(in_read);
  CloseHandle(out_write);
  CloseHandle(err_write);
  if (!created) {
    CloseHandle(in_write);
    CloseHandle(out_read);
    CloseHandle(err_read);
    return;
  }
  platform_->process = process.hProcess;
  platform_->thread = process.hThread;
  platform_->input = in_write;
  streams_open_ = 2;
  for (const auto& [h, which] : {std::pair{out_read, 1}, std::pair{err_read, 2}}) {
    readers_.emplace_back([this, h = h, which = which] {
      char block[65536];
      DWORD n = 0;
      while (ReadFile(h, block, sizeof block, &n, nullptr) && n > 0) Gather(which, std::string_view(block, n));
      CloseHandle(h);
      StreamEnded();
    });
  }
}

ChildProcess::~ChildProcess() {
  if (Started() && !platform_->ended) Wait(0);
  CloseInput();
  for (std::thread& t : readers_) t.join();
  if (platform_->process != nullptr) CloseHandle(platform_->process);
  if (platform_->thread != nullptr) CloseHandle(platform_->thread);
}

bool ChildProcess::Started() const { return platform_->process != nullptr; }

bool ChildProcess::Write(std::string_view bytes) {
  while (!bytes.empty() && platform_->input != nullptr) {
    DWORD n = 0;
    if (!WriteFile(platform_->input, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) || n == 0) {
      return false;
    }
    bytes.remove_prefix(n);
  }
  return bytes.empty();
}

void ChildProcess::CloseInput() {
  if (platform_->input != nullptr) CloseHandle(platform_->input);
  platform_->input = nullptr;
}

ProcessStats ChildProcess::Stats() const {
  ProcessStats stats;
  PROCESS_MEMORY_COUNTERS memory{};
  if (GetProcessMemoryInfo(platform_->process, &memory, sizeof memory)) {
    stats.peak_rss_kb = static_cast<std::int64_t>(memory.PeakWorkingSetSize / 1024);
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(platform_->process, &handles)) stats.open_handles = static_cast<int>(handles);
  return stats;
}

int ChildProcess::Wait(int timeout_ms) {
  if (!Started() || platform_->ended) return -1;
  if (WaitForSingleObject(platform_->process, static_cast<DWORD>(timeout_ms)) == WAIT_TIMEOUT) {
    TerminateProcess(platform_->process, 1);
    WaitForSingleObject(platform_->process, INFINITE);
    timed_out_ = true;
  }
  platform_->ended = true;
  {
    std::unique_lock<std::mutex> lock(mutex_);  // its output is complete once both streams ended
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return streams_open_ == 0; });
  }
  DWORD code = 0;
  return !timed_out_ && GetExitCodeProcess(platform_->process, &code) ? static_cast<int>(code) : -1;
}

std::string AsTextModeOutput(std::string_view written) {
  std::string carried;
  for (const char c : written) {
    if (c == '\n') carried += '\r';
    carried += c;
  }
  return carried;
}

std::string FromTextModeOutput(std::string_view carried) {
  std::string written;
  for (std::size_t i = 0; i < carried.size(); ++i) {
    if (carried[i] == '\r' && i + 1 < carried.size() && carried[i + 1] == '\n') continue;
    written += carried[i];
  }
  return written;
}

bool LocaleDrivesConsoleAndClock() { return false; }

bool FileModesGuardFiles() { return false; }

void SetFileMode(const std::string& /*path*/, int /*mode*/) {}

InputPipe::InputPipe(std::string data) {
  int fds[2];
  if (_pipe(fds, 1 << 16, _O_TEXT | _O_NOINHERIT) != 0) return;
  _setmode(fds[1], _O_BINARY);  // the bytes go in as they are; only the reading side is in text mode
  writer_ = std::thread([fd = fds[1], data = std::move(data)] {
    std::size_t done = 0;
    while (done < data.size()) {
      const int n = _write(fd, data.data() + done, static_cast<unsigned>(data.size() - done));
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _close(fd);
  });
  stream_ = _fdopen(fds[0], "rt");
}

InputPipe::~InputPipe() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (writer_.joinable()) writer_.join();
}

}  // namespace rcon::support
