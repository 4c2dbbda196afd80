// Line editing with history at a terminal: moving in the line, deleting whole characters and
// words, going through earlier lines and searching them, clearing the screen. Built on libedit's
// readline-compatible interface, which is loaded only when a terminal first needs it, so that a
// program reading from a pipe never pays for it. Where the build or the system has no libedit,
// Start fails and the console reads plainly.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace rcon {

// The most lines the history keeps.
inline constexpr int kHistoryLines = 1000;

// What became of the history file when editing started.
enum class HistoryFileState {
  kNone,        // no file was asked for: the history is kept for the session only
  kUsed,        // read (or to be made), and written as lines are added
  kNotRegular,  // the path is a link, a folder, a FIFO or a device: left alone, nothing saved
  kNotHistory,  // a file without the line editor's header: left alone, nothing saved
};

class LineEditor {
 public:
  LineEditor();
  // Saves nothing more; the history file is written as lines are added.
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // Starts editing on the terminal streams, with the history in `history_file` (read now,
  // written as lines are added; empty: kept for this session only). The history is read only
  // from a regular file that holds the line editor's header, and written as a new file renamed
  // over it, never through a link. False when no line editing is to be had.
  bool Start(std::FILE* in, std::FILE* out, const std::string& history_file);
  // Tells whether Start succeeded.
  bool Started() const;
  // Tells what Start made of the history file.
  HistoryFileState HistoryState() const;
  // Shows the prompt and reads one edited line, in the terminal's encoding and without its line
  // end; nothing at the end of input (Ctrl+D on an empty line).
  std::optional<std::string> Read(const std::string& prompt);
  // Adds a line to the history and saves it, unless it is empty or repeats the line before.
  void Remember(const std::string& line);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace rcon
