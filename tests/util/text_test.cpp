#include "util/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace rcon {
namespace {

using namespace std::string_literals;

struct ToIntCase {
  std::string text;
  std::int32_t expected;
};

TEST(ToIntTest, ParsesTextsByTheRules) {
  const ToIntCase cases[] = {
      {"123", 123},
      {"  42abc", 42},
      {"\t\n\v\f\r 8", 8},
      {"-7", -7},
      {"+5", 5},
      {"--5", 0},
      {"- 5", 0},
      {"abc", 0},
      {"", 0},
      {"4294967297", 1},                  // 2^32 + 1 wraps to 1
      {"2147483648", -2147483647 - 1},    // 2^31 wraps to -2^31
      {"-2147483648", -2147483647 - 1},   // its negation is itself
      {"99999999999999999999", 1661992959},
      {"\xA3\xB1\xA3\xB2", 12},           // full-width digits one and two
      {"\xA3\xAD\xA3\xB3", -3},           // full-width minus, three
      {"\xA1\xA1\xA3\xAB" "9", 9},        // full-width space and plus
      {"12\xA3\xB3", 123},                // mixed widths
      {"\xB0\xA1" "5", 0},                // another GBK character is not a digit
      {"7\xA3", 7},                       // a lone lead byte at the end is dropped
      {"5\0" "9"s, 5},                    // a text ends at its first zero byte
  };
  for (const ToIntCase& c : cases) EXPECT_EQ(ToInt(c.text), c.expected) << "text: " << c.text;
}

TEST(ToIntTest, TruncatesNumbersTowardZero) {
  EXPECT_EQ(ToInt(12.9), 12);
  EXPECT_EQ(ToInt(-12.9), -12);
  EXPECT_EQ(ToInt(4294967297.0), 1);
  EXPECT_EQ(ToInt(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(ToBytesTest, GivesLittleEndianIntegersAndTextBytes) {
  EXPECT_EQ(ToBytes(15), "\x0F\0\0\0"s);
  EXPECT_EQ(ToBytes(-1), "\xFF\xFF\xFF\xFF"s);
  EXPECT_EQ(ToBytes(256), "\0\x01\0\0"s);
  EXPECT_EQ(ToBytes(std::string_view("")), ""s);
  EXPECT_EQ(ToBytes(std::string_view("ab\0cd"s)), "ab"s);
}

TEST(SplitAtZeroTest, EndsAPieceAtEveryZeroByte) {
  EXPECT_EQ(SplitAtZero("A\0\0B\0"s), (std::vector<Bytes>{"A", "", "B"}));
  EXPECT_EQ(SplitAtZero("\0A"s), (std::vector<Bytes>{"", "A"}));
  EXPECT_EQ(SplitAtZero("AB"s), (std::vector<Bytes>{"AB"}));
  EXPECT_TRUE(SplitAtZero("").empty());
  EXPECT_EQ(SplitAtZero("\0"s), (std::vector<Bytes>{""}));
}

TEST(BytesToTextTest, StopsAtTheFirstZeroByte) {
  EXPECT_EQ(BytesToText("hi\0j"s), "hi");
  EXPECT_EQ(BytesToText(""), "");
  EXPECT_EQ(BytesToText("\xD6\xD0"), "\xD6\xD0");
}

TEST(ReadInt16AtTest, ReadsSignedLittleEndianWithMissingBytesAsZero) {
  EXPECT_EQ(ReadInt16At("\x04\0\xFF\xFF"s, 3), -1);
  EXPECT_EQ(ReadInt16At("\x04\0"s, 3), 0);
  EXPECT_EQ(ReadInt16At("\x05", 1), 5);
  EXPECT_EQ(ReadInt16At("\x01\x80"s, 1), -32767);
  EXPECT_EQ(ReadInt16At("", 1), 0);
  EXPECT_EQ(ReadInt16At("\x07\x08", 0), 0x0700);  // position 0 reads one byte before the start as zero
}

struct ReplaceCase {
  std::string text, search, replacement, expected;
};

TEST(ReplaceTextTest, MatchesOnlyAtCharacterBoundaries) {
  const ReplaceCase cases[] = {
      {"\n", "\n", "", ""},
      {"a\nb\nc", "\n", "", "abc"},
      {"hh:mm:ss", "hh", "HH", "HH:mm:ss"},
      {"mm:ss", "hh", "HH", "mm:ss"},
      {"hhh", "hh", "HH", "HHh"},
      {"abc\xB0", "\n", "", "abc"},              // lone lead byte at the end is dropped
      {"\xB0hh", "hh", "HH", "\xB0hh"},          // 0xB0 and h are one character: no "hh" starts on a boundary
      {"\x81\x40\x40", "\x40", "X", "\x81\x40X"},  // a trail byte never starts a match
      {"", "\n", "", ""},
      {"abc", "", "x", "abc"},
      {"ab", "abc", "x", "ab"},                  // fewer bytes left than the search text: copied
  };
  for (const ReplaceCase& c : cases) {
    EXPECT_EQ(ReplaceText(c.text, c.search, c.replacement), c.expected) << "text: " << c.text;
  }
}

TEST(TrimSpacesTest, RemovesHalfAndFullWidthSpacesOnly) {
  EXPECT_EQ(TrimSpaces("yyyy-MM-dd "), "yyyy-MM-dd");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces("\xA1\xA1 x \xA1\xA1"), "x");
  EXPECT_EQ(TrimSpaces("x\t"), "x\t");
  EXPECT_EQ(TrimSpaces("\xB0\x20"), "\xB0\x20");  // 0x20 here is a trail byte, not a space
  EXPECT_EQ(TrimSpaces("\xA1\xA1\xA1"), "\xA1");   // a full-width space, then a lone lead byte
}

TEST(WorkBufferTest, SpacesAndZeroBytesOfTheGivenCount) {
  EXPECT_EQ(SpacesText(0), "");
  EXPECT_EQ(SpacesText(-3), "");
  EXPECT_EQ(SpacesText(4), "    ");
  EXPECT_EQ(ZeroBytes(0), "");
  EXPECT_EQ(ZeroBytes(3), "\0\0\0"s);
  EXPECT_EQ(TextLength("ab\0c"s), 2);
}

}  // namespace
}  // namespace rcon
