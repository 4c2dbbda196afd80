#include "app/app.h"

#include <gtest/gtest.h>

namespace rcon {
namespace {

using Args = std::vector<Text>;

TEST(SplitCommandLineTest, SplitsByTheRules) {
  const struct {
    std::string line;
    Args expected;
  } cases[] = {
      {"prog a \"b c\" d", {"a", "b c", "d"}},
      {"prog a\"\"b", {"a", "", "b"}},
      {"prog \"abc", {"abc"}},
      {"prog", {}},
      {"prog ", {}},
      {"\"C:\\Program Files\\rcon.exe\" host 25575 pw", {"host", "25575", "pw"}},
      {"\"C:\\a b\\rcon.exe\"host", {"host"}},              // nothing to skip after the quoted name
      {"\"unclosed name", {}},
      {"prog\tname a b", {"a", "b"}},                       // a tab does not end an unquoted name
      {"prog a\t\tb\x01" "c", {"a", "b", "c"}},             // bytes 0x01-0x20 separate
      {"prog C:\\dir\\ x", {"C:\\dir\\", "x"}},            // backslashes mean nothing
      {"prog \xB0\x20x y", {"\xB0\x20x", "y"}},            // a GBK trail byte 0x20 is no separator
      {"prog \"\xB0\"\" z", {"\xB0\"", "z"}},             // nor is a trail byte 0x22 a quote
      {"prog \xB0", {"\xB0"}},                             // a lead byte at the end stands alone
      {"prog a\"b c\"d", {"a", "b c", "d"}},              // a quote ends a plain argument and opens another
      {"prog \"\" \"\"", {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
}

TEST(IsAllDigitsTest, AcceptsOnlyNonEmptyAsciiDigits) {
  const struct {
    std::string text;
    bool expected;
  } cases[] = {{"0", true},      {"25575", true}, {"99999999999999999999", true}, {"", false},
               {"80a", false},   {"+80", false},  {" 80", false},  {"1.5", false},
               {"\xA3\xB1", false}};
  for (const auto& c : cases) EXPECT_EQ(IsAllDigits(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace rcon
