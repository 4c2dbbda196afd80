#include "util/timestamp.h"

#include <gtest/gtest.h>

#include <clocale>

#include "run_process.h"

namespace rcon {
namespace {

const DateTime kMoment = ToDateTime(CivilTime{2024, 1, 29, 14, 5, 9});

// The table for 29 January 2024 14:05:09; style 0 in GBK:
// 2024年01月29日 14时05分09秒 and its parts.
const char* const kExpected[4][6] = {
    {"2024\xC4\xEA" "01\xD4\xC2" "29\xC8\xD5 14\xCA\xB1" "05\xB7\xD6" "09\xC3\xEB",
     "2024\xC4\xEA" "01\xD4\xC2" "29\xC8\xD5", "01\xD4\xC2" "29\xC8\xD5", "14\xCA\xB1" "05\xB7\xD6" "09\xC3\xEB",
     "14\xCA\xB1" "05\xB7\xD6", "05\xB7\xD6" "09\xC3\xEB"},
    {"2024-01-29 14:05:09", "2024-01-29", "01-29", "14:05:09", "14:05", "05:09"},
    {"2024/01/29 14/05/09", "2024/01/29", "01/29", "14/05/09", "14/05", "05/09"},
    {"20240129140509", "20240129", "0129", "140509", "1405", "0509"},
};

class TimestampTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }  // the C locale shows a 24-hour clock
};

TEST_F(TimestampTest, FormatsEveryStyleAndSelectionOnATwentyFourHourClock) {
  ASSERT_EQ(UsesTwentyFourHourClock(), 1);
  for (int style = 0; style < 4; ++style) {
    for (int selection = 0; selection < 6; ++selection) {
      EXPECT_EQ(FormatTimestamp(kMoment, style, selection), kExpected[style][selection])
          << "style " << style << " selection " << selection;
    }
  }
}

TEST_F(TimestampTest, OutOfRangeStyleAndSelectionCountAsZero) {
  for (const int style : {7, -1, 4}) EXPECT_EQ(FormatTimestamp(kMoment, style, 0), kExpected[0][0]);
  for (const int selection : {6, -1}) EXPECT_EQ(FormatTimestamp(kMoment, 1, selection), kExpected[1][0]);
}

TEST_F(TimestampTest, ALocaleWithATwelveHourClockGetsTwelveHourStamps) {
  if (!support::LocaleDrivesConsoleAndClock()) GTEST_SKIP() << "Windows reads the clock from the user's locale";
  ASSERT_NE(std::setlocale(LC_TIME, "en_US.UTF-8"), nullptr) << "scripts/test generates this locale";
  EXPECT_EQ(UsesTwentyFourHourClock(), 0);
  EXPECT_EQ(FormatTimestamp(kMoment, 1, 0), "2024-01-29 02:05:09");
  EXPECT_EQ(FormatTimestamp(ToDateTime(CivilTime{2024, 1, 29, 0, 30, 0}), 1, 0), "2024-01-29 12:30:00");
  EXPECT_EQ(FormatTimestamp(kMoment, 1, 5), "05:09");  // minutes and seconds never change
  std::setlocale(LC_TIME, "C");
}

TEST(PictureTest, TwelveHourClockNamesNoonAndMidnightTwelve) {
  const struct {
    int hour;
    const char* twelve;
    const char* twenty_four;
  } cases[] = {{0, "12:30:00", "00:30:00"}, {12, "12:30:00", "12:30:00"}, {14, "02:30:00", "14:30:00"},
               {23, "11:30:00", "23:30:00"}};
  for (const auto& c : cases) {
    const CivilTime t{2024, 1, 29, c.hour, 30, 0};
    EXPECT_EQ(FormatPicture(t, "hh:mm:ss", false), c.twelve);
    EXPECT_EQ(FormatPicture(t, "HH:mm:ss", false), c.twenty_four);
  }
}

TEST(PictureTest, CopiesGbkCharactersWholeAndOtherLettersUnchanged) {
  const CivilTime t{2024, 3, 5, 7, 8, 9};
  // 0xB7 0x6D is one GBK character whose trail byte is the letter m: it must not become a minute.
  EXPECT_EQ(FormatPicture(t, "mm\xB7mss", false), "08\xB7m" "09");
  EXPECT_EQ(FormatPicture(t, "yyyy-M-d x", true), "2024-3-5 x");
  EXPECT_EQ(FormatPicture(t, "hh:mm", true), "hh:mm");  // time letters mean nothing in a date picture
}

TEST(DateTimeTest, ShortPatternsGiveEmptyParts) {
  EXPECT_EQ(FormatDateTime(kMoment, "", "HH:mm:ss"), "14:05:09");
  EXPECT_EQ(FormatDateTime(kMoment, "MM", ""), "");
}

}  // namespace
}  // namespace rcon
