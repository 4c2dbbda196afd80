// The console: text out to standard output or standard error, one line in from standard
// input, and clearing the screen. Texts are GBK; on a terminal whose locale speaks UTF-8
// they are converted on the way out and typed text on the way in, so that the terminal
// behaves like a code-page-936 console. Everywhere else bytes pass unchanged.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "util/text.h"

namespace rcon {

// The most bytes one ReadLine takes from standard input.
inline constexpr int kMaxLineBytes = 2048;

// Cuts the control bytes (below 0x20) off the end of a line, never looking at its first byte.
Text TrimLineEnd(std::string_view line);

class Console {
 public:
  // Takes the process's standard streams and learns the terminal's encoding from the locale.
  Console();
  // Uses the given streams; `utf8_terminal` says whether to convert as for a UTF-8 terminal.
  Console(std::FILE* in, std::FILE* out, std::FILE* err, bool utf8_terminal);
  // Turns echo back on if a hidden read left it off, and writes out what is buffered.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Writes a text to standard error when direction is 2, else to standard output; adds nothing.
  void WriteOutput(int direction, std::string_view text);

  // Reads one line of at most 2048 bytes without its trailing control bytes; the empty text at end of input.
  Text ReadLine();

  // Reads one line like ReadLine without echoing it on a terminal, then starts a new line there.
  Text ReadHiddenLine();

  // Takes bytes the operator gave (typed, or on the command line) into the console's code page,
  // as ReadLine takes what is typed.
  Text TypedText(std::string_view bytes);

  // Tells whether the last ReadLine found standard input at its end (nothing was read).
  bool EndOfInput() const { return end_of_input_; }

  // Clears the terminal window and homes the cursor; writes nothing when output is not a terminal.
  void ClearScreen();

 private:
  // Whether standard input is an interactive terminal.
  bool InputIsTerminal() const;
  // Turns echo of typed input off or back on; returns false when it could not be changed.
  bool SetInputEcho(bool on);

  struct Platform;  // the platform's own console state
  std::FILE* in_;
  std::FILE* out_;
  std::FILE* err_;
  bool utf8_terminal_;
  bool end_of_input_ = false;
  std::unique_ptr<Platform> platform_;
};

}  // namespace rcon
