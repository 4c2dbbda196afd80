#include "console/console.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "console/terminal_text.h"
#include "rcon/codepage.h"
#include "run_process.h"

namespace rcon {
namespace {

using namespace std::string_literals;

// A console whose standard input is a real pipe holding `input`, and whose outputs go to temporary files.
class PipeConsole {
 public:
  PipeConsole(const std::string& input, bool utf8_terminal)
      : pipe_(input), out_(std::tmpfile()), err_(std::tmpfile()) {
    ConsoleSettings settings;
    if (utf8_terminal) {
      settings.to_terminal = [this](std::string_view t) { return codepage_.ToUtf8(t); };
      settings.from_terminal = [this](std::string_view t) { return codepage_.FromUtf8(t); };
    }
    console_ = std::make_unique<Console>(pipe_.stream(), out_, err_, std::move(settings));
  }
  ~PipeConsole() {
    console_.reset();
    std::fclose(out_);
    std::fclose(err_);
  }
  Console& console() { return *console_; }
  std::string Out() {
    console_->Flush();
    return Contents(out_);
  }
  std::string Err() { return Contents(err_); }

 private:
  static std::string Contents(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string s;
    char block[4096];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) s.append(block, n);
    return s;
  }
  CodePageConverter codepage_;
  support::InputPipe pipe_;
  std::FILE* out_;
  std::FILE* err_;
  std::unique_ptr<Console> console_;
};

TEST(TrimLineEndTest, CutsTrailingControlBytesButNeverTheFirstByte) {
  const struct {
    std::string line, expected;
  } cases[] = {
      {"abc\n", "abc"},       {"abc\r\n", "abc"},     {"ab \t\n", "ab "},
      {"\t\n", "\t"},         {"\n", "\n"},           {"\xD6\xD0\n", "\xD6\xD0"},
      {"\xCE\x01", "\xCE"},   {"", ""},               {"a\x1F\x1B\x7F\n", "a\x1F\x1B\x7F"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimLineEnd(c.line), c.expected) << c.line;
}

TEST(ReadLineTest, ReadsLinesFromAPipe) {
  PipeConsole pc("abc\nx\r\n\n\xD6\xD0\xCE\xC4\nlast", false);
  const std::vector<std::string> expected = {"abc", "x", "\n", "\xD6\xD0\xCE\xC4", "last"};
  for (const std::string& line : expected) {
    EXPECT_EQ(pc.console().ReadLine(), line);
    EXPECT_FALSE(pc.console().EndOfInput());
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pc.console().ReadLine(), "");
    EXPECT_TRUE(pc.console().EndOfInput());
  }
}

// Everything a buffer yields for an input fed in pieces of `chunk` bytes: each line as
// "bytes|dropped", then the rest at the end of the input.
std::vector<std::string> LinesOf(std::string_view input, std::size_t chunk, std::size_t limit, LineBuffer::Long how) {
  LineBuffer buffer;
  std::vector<std::string> lines;
  auto take = [&](const InputLine& l) { lines.push_back(std::string(l.bytes) + "|" + std::to_string(l.dropped)); };
  for (std::size_t at = 0; at < input.size(); at += chunk) {
    buffer.Feed(input.substr(at, chunk));
    while (const auto line = buffer.Next(limit, how)) take(*line);
  }
  if (const auto rest = buffer.Rest()) take(*rest);
  return lines;
}

TEST(LineBufferTest, YieldsTheSameLinesWhateverPiecesTheInputComesIn) {
  using L = LineBuffer::Long;
  const struct {
    const char* what;
    std::string input;
    std::size_t limit;
    L how;
    std::vector<std::string> lines;
  } cases[] = {
      {"a last line without LF", "a\nhello", 8, L::kInPieces, {"a\n|0", "hello|0"}},
      {"a short last line after a long first", "list\nsave-all", 8, L::kInPieces, {"list\n|0", "save-all|0"}},
      {"CR LF stays for the trim", "x\r\ny\r\n", 8, L::kInPieces, {"x\r\n|0", "y\r\n|0"}},
      {"empty lines", "\n\n", 8, L::kInPieces, {"\n|0", "\n|0"}},
      {"pieces of the limit", "abcdefghij\n", 4, L::kInPieces, {"abcd|0", "efgh|0", "ij\n|0"}},
      {"a line of exactly the limit leaves its LF alone", "abcd\nx", 4, L::kInPieces, {"abcd|0", "\n|0", "x|0"}},
      {"cut: a line of the limit with its LF", "abc\nx", 4, L::kCut, {"abc\n|0", "x|0"}},
      {"cut: the tail counted and dropped", "abcdefghij\nnxt\n", 4, L::kCut, {"abcd|6", "nxt\n|0"}},
      {"cut: exactly the limit is whole", "abcd\nnext", 4, L::kCut, {"abcd|0", "next|0"}},
      {"cut: a long last line", "ok\nabcdefg", 4, L::kCut, {"ok\n|0", "abcd|3"}},
      {"zero bytes are bytes", std::string("a\0b\n", 4), 8, L::kInPieces, {std::string("a\0b\n|0", 6)}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk = 1; chunk <= c.input.size(); ++chunk) {
      EXPECT_EQ(LinesOf(c.input, chunk, c.limit, c.how), c.lines) << c.what << ", pieces of " << chunk;
    }
  }
}

TEST(ReadLineTest, TakesLongLinesInPiecesOf2048Bytes) {
  const std::string line(3000, 'a');
  const std::string exact(2048, 'b');
  PipeConsole pc(line + "\n" + exact + "\nnext\n", false);
  EXPECT_EQ(pc.console().ReadLine(), std::string(2048, 'a'));
  EXPECT_EQ(pc.console().ReadLine(), std::string(952, 'a'));
  EXPECT_EQ(pc.console().ReadLine(), exact);
  EXPECT_EQ(pc.console().ReadLine(), "\n");  // the line end of a 2048-byte line comes on its own
  EXPECT_FALSE(pc.console().EndOfInput());
  EXPECT_EQ(pc.console().ReadLine(), "next");
}

TEST(ReadLineTest, AZeroByteEndsTheText) {
  PipeConsole pc("ab\0cd\nef\n"s, false);
  EXPECT_EQ(pc.console().ReadLine(), "ab");
  EXPECT_FALSE(pc.console().EndOfInput());
  EXPECT_EQ(pc.console().ReadLine(), "ef");
}

TEST(ReadLineTest, AUtf8TerminalTypesGbk) {
  PipeConsole pc("\xE4\xB8\xAD\xE6\x96\x87\n", true);
  EXPECT_EQ(pc.console().ReadLine(), "\xD6\xD0\xCE\xC4");
}

TEST(WriteOutputTest, ChoosesTheStreamAndAddsNothing) {
  PipeConsole pc("", false);
  pc.console().WriteOutput(0, "a\r\n");
  pc.console().WriteOutput(1, "b");
  pc.console().WriteOutput(2, "err");
  pc.console().WriteOutput(0, "");
  pc.console().WriteOutput(0, "c\0d"s);
  pc.console().WriteOutput(0, "\xD6\xD0");
  EXPECT_EQ(pc.Out(), "a\r\nbc\xD6\xD0");
  EXPECT_EQ(pc.Err(), "err");
}

TEST(WriteOutputTest, AUtf8TerminalShowsGbkAsUtf8) {
  PipeConsole pc("", true);
  pc.console().WriteOutput(0, "\xD6\xD0\xCE\xC4 ok\r\n");
  EXPECT_EQ(pc.Out(), "\xE4\xB8\xAD\xE6\x96\x87 ok\r\n");
}

TEST(ClearScreenTest, WritesNothingWhenOutputIsNotATerminal) {
  PipeConsole pc("", false);
  pc.console().ClearScreen();
  EXPECT_EQ(pc.Out(), "");
}

TEST(WriteReplyTest, APipeGetsTheServersBytesUnchanged) {
  const std::string reply = "\x1b[2J\x07\xA1\xEC" "aGreen\x7F\xD6\xD0";
  PipeConsole pc("", false);
  pc.console().WriteReply(reply);
  EXPECT_EQ(pc.Out(), reply);
}

TEST(ReadCommandTest, APipeGetsThePromptAsOutput) {
  PipeConsole pc("list\n", false);
  EXPECT_EQ(pc.console().ReadCommand("> "), "list");
  EXPECT_EQ(pc.Out(), "> ");
}

// The pieces a terminal gets for a reply: text as it is, caret forms, and <code> for each format.
std::string TerminalPieces(std::string_view reply) {
  std::string shown;
  ForEachTerminalPiece(reply, [&](std::string_view run) { shown += run; },
                       [&](char code) { shown.append("<").append(1, code).append(">"); });
  return shown;
}

TEST(TerminalTextTest, ControlBytesAreShownAndColourCodesFound) {
  const struct {
    const char* what;
    std::string reply, shown;
  } cases[] = {
      {"clear screen", "\x1b[2J", "^[[2J"},
      {"clipboard (OSC 52)", "\x1b]52;c;aGk=\x07", "^[]52;c;aGk=^G"},
      {"backspace and DEL", "a\x08\x7F", "a^H^?"},
      {"tab, LF and CR stay", "a\tb\r\nc", "a\tb\r\nc"},
      {"colour and format codes", "\xA1\xEC" "aGreen \xA1\xEC" "lBold\xA1\xEC" "r", "<a>Green <l>Bold<r>"},
      {"either case", "\xA1\xEC" "A\xA1\xEC" "K\xA1\xEC" "R", "<a><k><r>"},
      {"no code after the sign", "\xA1\xEC" "z \xA1\xEC", "\xA1\xEC" "z \xA1\xEC"},
      {"A1 EC across two characters is no sign", "\xB0\xA1\xEC" "a", "\xB0\xA1\xEC" "a"},
      {"a C1 control in GB18030 (U+009B)", "x\x81\x30\x83\x37y", "xM-^[y"},
      {"other GB18030 four-byte characters stay", "\x95\x32\x82\x36", "\x95\x32\x82\x36"},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminalPieces(c.reply), c.shown) << c.what;
}

TEST(ReadHiddenLineTest, ReadsPlainlyFromAPipe) {
  PipeConsole pc("secret\nnext\n", false);
  EXPECT_EQ(pc.console().ReadHiddenLine(), "secret");
  EXPECT_EQ(pc.Out(), "");  // no extra line end when nothing was hidden
  EXPECT_EQ(pc.console().ReadLine(), "next");
}

}  // namespace
}  // namespace rcon
