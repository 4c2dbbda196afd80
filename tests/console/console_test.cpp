#include "console/console.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "run_process.h"

namespace rcon {
namespace {

using namespace std::string_literals;

// A console whose standard input is a real pipe holding `input`, and whose outputs go to temporary files.
class PipeConsole {
 public:
  PipeConsole(const std::string& input, bool utf8_terminal)
      : pipe_(input), out_(std::tmpfile()), err_(std::tmpfile()) {
    console_ = std::make_unique<Console>(pipe_.stream(), out_, err_, utf8_terminal);
  }
  ~PipeConsole() {
    console_.reset();
    std::fclose(out_);
    std::fclose(err_);
  }
  Console& console() { return *console_; }
  std::string Out() { return Contents(out_); }
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
  testing::InputPipe pipe_;
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

TEST(ReadHiddenLineTest, ReadsPlainlyFromAPipe) {
  PipeConsole pc("secret\nnext\n", false);
  EXPECT_EQ(pc.console().ReadHiddenLine(), "secret");
  EXPECT_EQ(pc.Out(), "");  // no extra line end when nothing was hidden
  EXPECT_EQ(pc.console().ReadLine(), "next");
}

}  // namespace
}  // namespace rcon
