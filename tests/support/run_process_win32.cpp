#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "run_process.h"

namespace rcon::testing {
namespace {

// Quotes an argument the way the program's own command-line splitter reads it back.
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  return "\"" + argument + "\"";
}

void ReadAll(HANDLE from, std::string& into) {
  char block[65536];
  DWORD n = 0;
  while (ReadFile(from, block, sizeof block, &n, nullptr) && n > 0) into.append(block, n);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input,
                         const std::vector<std::string>& /*environment*/, int time_limit_ms) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in_read, in_write, out_read, out_write, err_read, err_write;
  if (!CreatePipe(&in_read, &in_write, &inherit, 0) || !CreatePipe(&out_read, &out_write, &inherit, 0) ||
      !CreatePipe(&err_read, &err_write, &inherit, 0)) {
    return result;
  }
  SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
  std::string command_line;
  for (const std::string& a : argv) command_line += (command_line.empty() ? "" : " ") + Quote(a);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read;
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION process{};
  const DWORD start = GetTickCount();
  const BOOL created = CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &process);
  CloseHandle(in_read);
  CloseHandle(out_write);
  CloseHandle(err_write);
  if (!created) {
    CloseHandle(in_write);
    CloseHandle(out_read);
    CloseHandle(err_read);
    return result;
  }
  std::thread writer([&] {
    DWORD n = 0;
    std::size_t done = 0;
    while (done < input.size() &&
           WriteFile(in_write, input.data() + done, static_cast<DWORD>(input.size() - done), &n, nullptr)) {
      done += n;
    }
    CloseHandle(in_write);
  });
  std::thread out_reader([&] { ReadAll(out_read, result.out); });
  std::thread err_reader([&] { ReadAll(err_read, result.err); });
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(time_limit_ms)) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    result.timed_out = true;
  }
  writer.join();
  out_reader.join();
  err_reader.join();
  DWORD code = 0;
  if (!result.timed_out && GetExitCodeProcess(process.hProcess, &code)) result.exit_code = static_cast<int>(code);
  result.seconds = (GetTickCount() - start) / 1000.0;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(out_read);
  CloseHandle(err_read);
  return result;
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

}  // namespace rcon::testing
