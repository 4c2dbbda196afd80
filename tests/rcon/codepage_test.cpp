#include "rcon/codepage.h"

#include <gtest/gtest.h>

#include "rcon/codepage_platform.h"
#include "run_process.h"

namespace rcon {
namespace {

using namespace std::string_literals;

struct ConversionCase {
  const char* what;
  std::string input;
  std::string expected;
};

TEST(CodePageTest, Utf8ToGbk) {
  const ConversionCase cases[] = {
      {"Chinese", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
      {"ASCII", "list players", "list players"},
      {"e acute", "\xC3\xA9", "\xA8\xA6"},
      {"Thai ko kai, which GBK lacks", "a\xE0\xB8\x81z", "a?z"},
      {"euro sign maps to 0x80 as in code page 936", "\xE2\x82\xAC", "\x80"},
      {"lone continuation byte", "a\x80z", "a?z"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"cut at the end", "ab\xE4\xB8", "ab?"},
      {"invalid lead then ASCII", "\xFFok", "?ok"},
      {"empty", "", ""},
      {"stops at a zero byte", "ab\0cd"s, "ab"},
  };
  for (const ConversionCase& c : cases) EXPECT_EQ(Utf8ToGbk(c.input), c.expected) << c.what;
}

TEST(CodePageTest, GbkToUtf8) {
  const ConversionCase cases[] = {
      {"Chinese", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
      {"ASCII", "say hi", "say hi"},
      {"full-width brackets", "\xA3\xA8\xA3\xA9", "\xEF\xBC\x88\xEF\xBC\x89"},
      {"0x80 is the euro sign", "\x80", "\xE2\x82\xAC"},
      {"lone lead byte at the end", "a\xD6", "a?"},
      {"empty", "", ""},
  };
  for (const ConversionCase& c : cases) EXPECT_EQ(GbkToUtf8(c.input), c.expected) << c.what;
}

TEST(CodePageTest, InvalidSequencesBecomeQuestionMarksWithoutLosingWhatFollows) {
  // How many "?" an invalid sequence gives is the platform converter's choice; that it gives
  // at least one, lets none of its bytes through, and keeps the text after it is not.
  const struct {
    std::string input;
    std::string after;
  } utf8_cases[] = {{"\xED\xA0\x80" "end", "end"}, {"\xC0\xAF" "x", "x"}, {"\xFF\xFE" "ok", "ok"}};
  for (const auto& c : utf8_cases) {
    const std::string out = Utf8ToGbk(c.input);
    ASSERT_GT(out.size(), c.after.size());
    EXPECT_EQ(out.substr(out.size() - c.after.size()), c.after);
    EXPECT_EQ(out.find_first_not_of('?'), out.size() - c.after.size()) << out;
  }
  const std::string gbk = GbkToUtf8("ab\xD6 cd");
  EXPECT_EQ(gbk.substr(0, 3), "ab?");
  EXPECT_EQ(gbk.substr(gbk.size() - 2), "cd");
}

TEST(CodePageTest, LongTextsConvertInFull) {
  std::string gbk, utf8;
  for (int i = 0; i < 50000; ++i) {
    gbk += "\xD6\xD0" "a";
    utf8 += "\xE4\xB8\xAD" "a";
  }
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  // Unmappable characters must not shorten what follows them.
  std::string thai;
  for (int i = 0; i < 10000; ++i) thai += "\xE0\xB8\x81";
  EXPECT_EQ(Utf8ToGbk(thai + "end"), std::string(10000, '?') + "end");
}

TEST(CodePageTest, RoundTripsEveryTwoByteGbkCharacter) {
  // Every character that converts to UTF-8 without a "?" must come back as the same bytes.
  int round_trips = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = GbkToUtf8(gbk);
      if (utf8 == "?") continue;
      ASSERT_EQ(Utf8ToGbk(utf8), gbk) << std::hex << lead << " " << trail;
      ++round_trips;
    }
  }
  EXPECT_GT(round_trips, 21000);  // GBK holds 21886 characters
}

TEST(CodePageTest, Gb18030KeepsEveryCharacterAndGbkAsItIs) {
  // At a UTF-8 terminal the console's texts are GB18030: what GBK lacks survives both ways, and
  // every GBK character keeps its bytes.
  if (!support::LocaleDrivesConsoleAndClock()) GTEST_SKIP() << "a Windows console is code page 936: never GB18030";
  CodePageConverter gb18030(ConsoleCodePage::kGb18030);
  const struct {
    const char* what;
    std::string utf8, console;
  } cases[] = {
      {"an emoji (U+1F600)", "\xF0\x9F\x98\x80", "\x94\x39\xFC\x36"},
      {"Thai ko kai", "\xE0\xB8\x81", "\x81\x32\xCE\x39"},
      {"Hangul", "\xEA\xB0\x80", "\x82\x37\xCF\x35"},
      {"Chinese, as in GBK", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
      {"the section sign, as in GBK", "\xC2\xA7", "\xA1\xEC"},
      {"ASCII", "say hi", "say hi"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gb18030.FromUtf8(c.utf8), c.console) << c.what;
    EXPECT_EQ(gb18030.ToUtf8(c.console), c.utf8) << c.what;
  }
  EXPECT_EQ(gb18030.FromUtf8("a\xFFz"), "a?z");  // invalid input is still "?"
}

TEST(Utf8SequenceTest, ReportsMaximalInvalidParts) {
  using codepage_platform::Utf8SequenceAt;
  bool valid = false;
  EXPECT_EQ(Utf8SequenceAt("\xF0\x9F\x98\x80", 0, valid), 4u);
  EXPECT_TRUE(valid);
  EXPECT_EQ(Utf8SequenceAt("\xF0\x9F\x98" "a", 0, valid), 3u);
  EXPECT_FALSE(valid);
  EXPECT_EQ(Utf8SequenceAt("\xE0\x80", 0, valid), 1u);  // overlong: the second byte is out of range
  EXPECT_FALSE(valid);
}

}  // namespace
}  // namespace rcon
