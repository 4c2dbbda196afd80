// Line editing through libedit's readline-compatible interface, loaded with dlopen when a
// terminal first needs it.
#include <dlfcn.h>
#include <editline/readline.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/line_editor.h"

namespace rcon {
namespace {

// The first line of every history file libedit writes.
constexpr std::string_view kHistoryHeader = "_HiStOrY_V2_\n";

// Finds one of libedit's names; false when it is missing.
template <typename T>
bool Find(void* library, const char* name, T& into) {
  into = reinterpret_cast<T>(dlsym(library, name));
  return into != nullptr;
}

// Creates the folders above a file, as mkdir -p does, for the user alone.
void MakeParentFolders(const std::string& file) {
  for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
    mkdir(file.substr(0, slash).c_str(), 0700);
  }
}

// The name under which libedit reaches an open descriptor, so that it reads and writes the
// file the descriptor holds and no other, whatever the path names by then.
std::string DescriptorPath(int fd) { return "/dev/fd/" + std::to_string(fd); }

// Opens the history file for reading, without following a final link and without waiting on a
// FIFO: the descriptor, -1 when there is no such file yet. `state` says whether it may be used.
int OpenHistory(const std::string& path, HistoryFileState& state) {
  state = HistoryFileState::kUsed;
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) state = HistoryFileState::kNotRegular;  // a link (ELOOP), or unreadable
    return -1;
  }
  struct stat info {};
  char head[kHistoryHeader.size()];
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    state = HistoryFileState::kNotRegular;
  } else if (info.st_size > 0 && (pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
                                  std::string_view(head, sizeof head) != kHistoryHeader)) {
    state = HistoryFileState::kNotHistory;
  }
  if (state == HistoryFileState::kUsed) return fd;
  close(fd);
  return -1;
}

}  // namespace

// The part of libedit the editor uses, and the editor's own state.
struct LineEditor::State {
  void* library = nullptr;
  decltype(&::readline) readline = nullptr;
  decltype(&::add_history) add_history = nullptr;
  decltype(&::using_history) using_history = nullptr;
  decltype(&::stifle_history) stifle_history = nullptr;
  decltype(&::read_history) read_history = nullptr;
  decltype(&::write_history) write_history = nullptr;
  decltype(&::history_get) history_get = nullptr;
  decltype(&::rl_parse_and_bind) parse_and_bind = nullptr;
  std::FILE** instream = nullptr;
  std::FILE** outstream = nullptr;
  int* history_base = nullptr;
  int* history_length = nullptr;
  std::string history_file;  // empty: nothing is saved
  HistoryFileState history_state = HistoryFileState::kNone;

  bool Load() {
    library = dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
    return library != nullptr && Find(library, "readline", readline) && Find(library, "add_history", add_history) &&
           Find(library, "using_history", using_history) && Find(library, "stifle_history", stifle_history) &&
           Find(library, "read_history", read_history) && Find(library, "write_history", write_history) &&
           Find(library, "history_get", history_get) && Find(library, "rl_parse_and_bind", parse_and_bind) &&
           Find(library, "rl_instream", instream) && Find(library, "rl_outstream", outstream) &&
           Find(library, "history_base", history_base) && Find(library, "history_length", history_length);
  }

  // Reads the history file when it is one; otherwise leaves it alone and saves nothing.
  void ReadHistory(const std::string& path) {
    if (path.empty()) return;
    const int fd = OpenHistory(path, history_state);
    if (history_state != HistoryFileState::kUsed) return;
    history_file = path;
    if (fd < 0) return;  // none yet: the first line added makes it
    read_history(DescriptorPath(fd).c_str());
    close(fd);
  }

  // Writes the whole history as a new file beside the old one, then renames it over: the old
  // file, or whatever the path names, is replaced, never written through. Only the user may
  // read it: commands can hold secrets.
  void WriteHistory() {
    MakeParentFolders(history_file);
    std::string temporary = history_file + ".XXXXXX";
    const int fd = mkstemp(temporary.data());  // mode 0600
    if (fd < 0) return;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    const bool written = write_history(DescriptorPath(fd).c_str()) == 0;
    if (close(fd) != 0 || !written || rename(temporary.c_str(), history_file.c_str()) != 0) {
      unlink(temporary.c_str());
    }
  }
};

LineEditor::LineEditor() = default;

LineEditor::~LineEditor() = default;  // libedit stays loaded until the process ends: its handlers may still run

bool LineEditor::Start(std::FILE* in, std::FILE* out, const std::string& history_file) {
  auto state = std::make_unique<State>();
  if (!state->Load()) return false;
  *state->instream = in;
  *state->outstream = out;
  state->using_history();
  state->stifle_history(kHistoryLines);
  // The keys people expect from readline, where libedit's emacs bindings differ. (Escape is
  // written ^[: the binding's own tokenizer would take a backslash away.)
  for (const char* binding : {"bind ^R em-inc-search-prev", "bind ^W ed-delete-prev-word", "bind ^U em-kill-line",
                              "bind ^[[1~ ed-move-to-beg", "bind ^[[4~ ed-move-to-end", "bind ^[[H ed-move-to-beg",
                              "bind ^[[F ed-move-to-end", "bind ^[[3~ ed-delete-next-char"}) {
    state->parse_and_bind(binding);
  }
  state->ReadHistory(history_file);
  state_ = std::move(state);
  return true;
}

bool LineEditor::Started() const { return state_ != nullptr; }

HistoryFileState LineEditor::HistoryState() const {
  return state_ != nullptr ? state_->history_state : HistoryFileState::kNone;
}

std::optional<std::string> LineEditor::Read(const std::string& prompt) {
  char* line = state_->readline(prompt.c_str());
  if (line == nullptr) return std::nullopt;
  std::string typed(line);
  std::free(line);
  return typed;
}

void LineEditor::Remember(const std::string& line) {
  if (line.empty()) return;
  const HIST_ENTRY* last = state_->history_get(*state_->history_base + *state_->history_length - 1);
  if (last != nullptr && last->line != nullptr && line == last->line) return;
  state_->add_history(line.c_str());
  if (!state_->history_file.empty()) state_->WriteHistory();
}

}  // namespace rcon
