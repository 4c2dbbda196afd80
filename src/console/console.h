// The console: text out to standard output or standard error, one line in from standard input,
// and clearing the screen. Texts are in the console's code page (GBK, or GB18030 at a UTF-8
// terminal); the console is handed the converters between that and the terminal's encoding,
// and without them passes bytes unchanged.
//
// Where a person is at a terminal (standard input and output both terminals), lines are read
// with line editing and history, and server text is shown safely: its control bytes are not
// obeyed, and its Minecraft colour codes are shown as colours. Pipes and files get the bytes as
// they are.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "console/line_buffer.h"
#include "console/line_editor.h"
#include "util/text.h"

namespace rcon {

// The most bytes one ReadLine takes from standard input.
inline constexpr int kMaxLineBytes = 2048;
// The most bytes of a command line the console keeps (far more than any packet carries); the
// rest of a longer line is counted and dropped.
inline constexpr std::size_t kMaxCommandLineBytes = 64 * 1024;

// Cuts the control bytes (below 0x20) off the end of a line, never looking at its first byte.
Text TrimLineEnd(std::string_view line);

// Converts a text from one encoding to another.
using TextConverter = std::function<Text(std::string_view)>;

// How the console meets its terminal.
struct ConsoleSettings {
  TextConverter to_terminal;    // console code page to the terminal's encoding; none: unchanged
  TextConverter from_terminal;  // the terminal's encoding to the console code page; none: unchanged
  std::string history_file;     // where line editing keeps its history; empty: for the session only
  bool colour = true;           // show Minecraft colour codes as colours at a terminal (else remove them)
  bool gb18030 = false;         // the console's texts are GB18030, not GBK (a Windows console converts them)
};

class Console {
 public:
  // Uses the given streams (the process's own: stdin, stdout, stderr) and settings.
  Console(std::FILE* in, std::FILE* out, std::FILE* err, ConsoleSettings settings = {});
  // Turns echo back on if a hidden read left it off, and writes out what is buffered.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Writes a text to standard error when direction is 2, else to standard output; adds nothing.
  void WriteOutput(int direction, std::string_view text);

  // Writes one of the program's own texts, in the form the terminal wants.
  void WriteOutput(int direction, const OwnText& text);

  // Writes text that came from the server to standard output: at a terminal with its control
  // bytes in caret notation and its colour codes shown (then reset) or removed; elsewhere as
  // WriteOutput writes it, without its colour codes unless `codes_in_pipes`.
  void WriteReply(std::string_view text, bool codes_in_pipes = true);

  // Reads one line of at most 2048 bytes without its trailing control bytes; the empty text at
  // end of input. At a terminal the line is edited.
  Text ReadLine();

  // Writes the prompt and reads a whole command line, however long, without its trailing control
  // bytes; at a terminal the prompt belongs to the line editor and the line goes into the
  // history. Of a line longer than kMaxCommandLineBytes the rest is dropped (LastLineDropped).
  Text ReadCommand(std::string_view prompt);

  // How many bytes of the last command line were dropped past kMaxCommandLineBytes.
  std::size_t LastLineDropped() const { return dropped_; }

  // Reads one line like ReadLine without echoing it on a terminal (never edited, never kept),
  // then starts a new line there.
  Text ReadHiddenLine();

  // Takes bytes the operator gave (typed, or on the command line) into the console's code page,
  // as ReadLine takes what is typed.
  Text TypedText(std::string_view bytes);

  // Gives a console text back in the terminal's encoding, as it was given (a file's name).
  Text TerminalText(std::string_view text);

  // Tells whether the last read found standard input at its end (nothing was read).
  bool EndOfInput() const { return end_of_input_; }

  // Clears the terminal window and homes the cursor; writes nothing when output is not a terminal.
  void ClearScreen();

  // Writes out what is buffered for standard output. (It is written anyway before a read that
  // may wait, at a terminal before every read, when much has gathered, and at the end.)
  void Flush();

 private:
  // The platform's part.
  bool InputIsTerminal() const;
  bool OutputIsTerminal() const;
  bool SetInputEcho(bool on);
  // Reads what standard input has, blocking until it has something: the count, 0 at its end.
  int ReadInput(char* block, int size);
  // Writes every byte to the stream's descriptor, past its own buffer: on Windows in text mode,
  // or to a console window through its UTF-16 interface, so that it shows whatever its code page.
  void WriteDescriptor(std::FILE* stream, std::string_view bytes);
  // Shows a colour or format code (lower-cased) in what is pending for the terminal, or resets
  // to the normal format (code 0).
  void ShowFormat(char code);

  // Reads one line: the piece of input up to its first LF, at most 2048 bytes, or the whole line
  // when `whole`. `edit` lets the line editor read it at a terminal, with `prompt`, keeping it in
  // the history when `remember`.
  Text ReadPiece(const std::string* prompt, bool remember, bool edit, bool whole = false);
  // Converts a line as read into the console's code page, without its trailing control bytes.
  Text TakeLine(std::string_view bytes) const;
  // Adds input to the buffer: a line from the editor, or a plain read; false at the end of input.
  bool FillInput(const std::string* prompt, bool remember, bool edit);
  // Writes bytes already in the terminal's encoding: standard output gathers them first.
  void WriteRaw(std::FILE* stream, std::string_view bytes);
  // Converts and writes what is pending for the terminal.
  void FlushPending();

  struct Platform;  // the platform's own console state
  struct PlatformDeleter {
    void operator()(Platform* platform) const;
  };
  // Makes the platform's state for the streams.
  static Platform* NewPlatform(std::FILE* in, std::FILE* out, const ConsoleSettings& settings);
  std::FILE* in_;
  std::FILE* out_;
  std::FILE* err_;
  ConsoleSettings settings_;
  bool at_terminal_;   // standard input and output are both terminals
  bool out_terminal_;  // standard output is a terminal
  bool end_of_input_ = false;
  std::size_t dropped_ = 0;
  std::string output_;            // bytes for standard output not yet written
  LineBuffer input_;              // bytes read and not yet taken, in the terminal's encoding
  Text pending_;                  // server text under way to the terminal
  LineEditor editor_;
  std::unique_ptr<Platform, PlatformDeleter> platform_;
};

}  // namespace rcon
