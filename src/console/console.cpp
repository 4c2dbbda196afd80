#include "console/console.h"

#include <algorithm>

#include "console/terminal_text.h"

namespace rcon {
namespace {

// Server text goes out in pieces of about this many bytes, cut between characters, so that a
// reply of megabytes is never held a second time in the terminal's encoding.
constexpr std::size_t kPieceBytes = 64 * 1024;
// Output for standard output is gathered up to about this many bytes before it is written,
// and standard input is read this many bytes at a time: a write or a read for every hundred
// short commands or so, in a few pages of memory.
constexpr std::size_t kGatherBytes = 4 * 1024;

// Calls `f` with the pieces of `text`, each at most about kPieceBytes, cut between characters.
template <typename F>
void ForEachPiece(std::string_view text, F&& f) {
  while (text.size() > kPieceBytes) {
    std::size_t cut = 0;
    while (cut < kPieceBytes) cut += ConsoleCharLengthAt(text, cut);
    f(text.substr(0, cut));
    text.remove_prefix(cut);
  }
  if (!text.empty()) f(text);
}

// Why the history is not saved, ahead of the file's name.
constexpr OwnText kHistoryNotRegular{
    "\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC\xCE\xC4\xBC\xFE\xB2\xBB\xCA\xC7\xBF\xC9\xB6\xC1\xB5\xC4\xC6\xD5\xCD\xA8\xCE\xC4"
    "\xBC\xFE\xA3\xAC\xB1\xBE\xB4\xCE\xBB\xE1\xBB\xB0\xB2\xBB\xB1\xA3\xB4\xE6\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC\xA3\xBA",
    "历史记录文件不是可读的普通文件，本次会话不保存历史记录："};
constexpr OwnText kHistoryNotHistory{
    "\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC\xCE\xC4\xBC\xFE\xB2\xBB\xCA\xC7\xD0\xD0\xB1\xE0\xBC\xAD\xC6\xF7\xB5\xC4\xC0\xFA"
    "\xCA\xB7\xCE\xC4\xBC\xFE\xA3\xAC\xCE\xB4\xD7\xF7\xB8\xC4\xB6\xAF\xA3\xAC\xB1\xBE\xB4\xCE\xBB\xE1\xBB\xB0\xB2\xBB"
    "\xB1\xA3\xB4\xE6\xC0\xFA\xCA\xB7\xBC\xC7\xC2\xBC\xA3\xBA",
    "历史记录文件不是行编辑器的历史文件，未作改动，本次会话不保存历史记录："};

}  // namespace

Text TrimLineEnd(std::string_view line) {
  std::size_t length = line.size();
  while (length > 1 && ByteAt(line, length - 1) < 0x20) --length;
  return Text(line.substr(0, length));
}

Console::Console(std::FILE* in, std::FILE* out, std::FILE* err, ConsoleSettings settings)
    : in_(in), out_(out), err_(err), settings_(std::move(settings)), platform_(NewPlatform(in, out, settings_)) {
  out_terminal_ = OutputIsTerminal();
  at_terminal_ = out_terminal_ && InputIsTerminal();
  if (!at_terminal_ || !editor_.Start(in_, out_, settings_.history_file)) return;
  // A history path that is no history file is left as it is; the session goes on without saving.
  const HistoryFileState history = editor_.HistoryState();
  if (history != HistoryFileState::kNotRegular && history != HistoryFileState::kNotHistory) return;
  WriteOutput(2, history == HistoryFileState::kNotRegular ? kHistoryNotRegular : kHistoryNotHistory);
  WriteOutput(2, TypedText(settings_.history_file));
  WriteOutput(2, "\r\n");
}

Console::~Console() {
  SetInputEcho(true);  // when a hidden read left echo off; otherwise it does nothing
  Flush();
}

void Console::WriteOutput(int direction, const OwnText& text) {
  WriteRaw(direction == 2 ? err_ : out_, settings_.to_terminal ? text.utf8 : text.gbk);
}

void Console::WriteRaw(std::FILE* stream, std::string_view bytes) {
  if (stream != out_) {
    WriteDescriptor(stream, bytes);  // standard error is never gathered
    return;
  }
  // One block, taken at the first write, holds what gathers: growing by doubling would leave a
  // trail of freed smaller blocks behind in the program's memory.
  if (output_.capacity() < kGatherBytes) output_.reserve(2 * kGatherBytes);
  output_ += bytes;
  if (output_.size() >= kGatherBytes) Flush();
}

void Console::Flush() {
  std::fflush(out_);  // whatever went through the stream itself comes first
  if (output_.empty()) return;
  WriteDescriptor(out_, output_);
  output_.clear();
}

void Console::WriteOutput(int direction, std::string_view text) {
  std::FILE* stream = direction == 2 ? err_ : out_;
  text = UpToZero(text);
  if (settings_.to_terminal && !IsAscii(text)) {
    WriteRaw(stream, settings_.to_terminal(text));
  } else {
    WriteRaw(stream, text);
  }
}

void Console::WriteReply(std::string_view text, bool codes_in_pipes) {
  text = UpToZero(text);
  if (!out_terminal_) {
    Text without;
    if (!codes_in_pipes) text = without = RemoveFormatCodes(text);
    ForEachPiece(text, [&](std::string_view piece) { WriteOutput(0, piece); });
    return;
  }
  bool formatted = false;
  ForEachTerminalPiece(
      text,
      [&](std::string_view run) {
        ForEachPiece(run, [&](std::string_view piece) {
          pending_ += piece;
          if (pending_.size() >= kPieceBytes) FlushPending();
        });
      },
      [&](char code) {
        if (!settings_.colour) return;  // the code is removed
        ShowFormat(code);
        formatted = true;
      });
  if (formatted) ShowFormat(0);  // every reply ends in the normal format
  FlushPending();
}

void Console::FlushPending() {
  WriteOutput(0, pending_);
  pending_.clear();
}

Text Console::ReadLine() { return ReadPiece(nullptr, false, true); }

Text Console::ReadCommand(std::string_view prompt) {
  if (!editor_.Started()) {
    WriteOutput(0, prompt);
    return ReadPiece(nullptr, false, false, true);
  }
  const std::string shown = TerminalText(prompt);
  return ReadPiece(&shown, true, true, true);
}

Text Console::ReadHiddenLine() {
  if (!InputIsTerminal() || !SetInputEcho(false)) return ReadPiece(nullptr, false, false);
  Text line = ReadPiece(nullptr, false, false);
  SetInputEcho(true);
  WriteOutput(0, "\r\n");  // the Enter that ended the line was not echoed either
  return line;
}

Text Console::TypedText(std::string_view bytes) {
  return settings_.from_terminal && !IsAscii(bytes) ? settings_.from_terminal(bytes) : Text(bytes);
}

Text Console::TerminalText(std::string_view text) {
  return settings_.to_terminal && !IsAscii(text) ? settings_.to_terminal(text) : Text(text);
}

Text Console::ReadPiece(const std::string* prompt, bool remember, bool edit, bool whole) {
  const bool editing = edit && editor_.Started();
  if (out_terminal_) Flush();  // at a terminal the prompt must show now
  bool edited_now = false;
  std::optional<InputLine> line;
  const std::size_t limit = whole ? kMaxCommandLineBytes : static_cast<std::size_t>(kMaxLineBytes);
  const LineBuffer::Long how = whole ? LineBuffer::Long::kCut : LineBuffer::Long::kInPieces;
  dropped_ = 0;
  while (!(line = input_.Next(limit, how))) {
    if (!FillInput(editing ? prompt : nullptr, editing && remember, editing)) {
      line = input_.Rest();  // a last line without a line end is a line all the same
      if (!line) {
        end_of_input_ = true;
        if (at_terminal_) WriteOutput(0, "\r\n");  // the shell's prompt goes on a line of its own
        return Text();
      }
      break;
    }
    edited_now = editing;
  }
  // The rest of a long edited line comes without the editor: its prompt is plain output.
  if (editing && prompt != nullptr && !edited_now) WriteRaw(out_, *prompt);
  end_of_input_ = false;
  dropped_ = line->dropped;
  return TakeLine(line->bytes);
}

Text Console::TakeLine(std::string_view bytes) const {
  Text line = TrimLineEnd(UpToZero(bytes));
  if (settings_.from_terminal && !IsAscii(line)) line = settings_.from_terminal(line);
  return line;
}

bool Console::FillInput(const std::string* prompt, bool remember, bool edit) {
  if (edit) {
    Flush();
    const std::optional<std::string> line = editor_.Read(prompt != nullptr ? *prompt : std::string());
    if (!line) return false;
    if (remember) editor_.Remember(*line);
    input_.Feed(*line);
    input_.Feed("\n");
    return true;
  }
  // This read may have to wait: whatever was written so far (a prompt) must be seen first.
  Flush();
  char block[kGatherBytes];
  const int n = ReadInput(block, static_cast<int>(sizeof block));
  if (n <= 0) return false;
  input_.Feed(std::string_view(block, static_cast<std::size_t>(n)));
  return true;
}

}  // namespace rcon
