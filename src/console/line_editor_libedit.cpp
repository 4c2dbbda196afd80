// Line editing through libedit's readline-compatible interface, loaded with dlopen when a
// terminal first needs it.
#include <dlfcn.h>
#include <editline/readline.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "console/line_editor.h"

namespace rcon {
namespace {

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
  std::string history_file;

  bool Load() {
    library = dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
    return library != nullptr && Find(library, "readline", readline) && Find(library, "add_history", add_history) &&
           Find(library, "using_history", using_history) && Find(library, "stifle_history", stifle_history) &&
           Find(library, "read_history", read_history) && Find(library, "write_history", write_history) &&
           Find(library, "history_get", history_get) && Find(library, "rl_parse_and_bind", parse_and_bind) &&
           Find(library, "rl_instream", instream) && Find(library, "rl_outstream", outstream) &&
           Find(library, "history_base", history_base) && Find(library, "history_length", history_length);
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
  state->history_file = history_file;
  if (!history_file.empty()) state->read_history(history_file.c_str());
  state_ = std::move(state);
  return true;
}

bool LineEditor::Started() const { return state_ != nullptr; }

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
  if (state_->history_file.empty()) return;
  // Only the user may read it: commands can hold secrets.
  MakeParentFolders(state_->history_file);
  const int fd = open(state_->history_file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  fchmod(fd, 0600);
  close(fd);
  state_->write_history(state_->history_file.c_str());
}

}  // namespace rcon
