#include "util/clock.h"

#include <gtest/gtest.h>

#include "util/timestamp.h"

namespace rcon {
namespace {

TEST(TickCountTest, ElapsedTimeIsRightAcrossTheWrapAround) {
  const struct {
    std::int32_t earlier, later;
    std::int64_t elapsed;
  } cases[] = {{100, 3100, 3000},
               {2147483000, -2147483296, 1000},  // past 2^31 - 1 the counter reads negative
               {-10, 5, 15},
               {-1, 0, 1}};
  for (const auto& c : cases) EXPECT_EQ(TicksBetween(c.earlier, c.later), c.elapsed) << c.earlier;
  const std::int32_t a = TickCount();
  const std::int32_t b = TickCount();
  EXPECT_GE(TicksBetween(a, b), 0);
  EXPECT_LT(TicksBetween(a, b), 1000);
}

TEST(DateTimeTest, ConvertsBothWaysAndRejectsOutOfRange) {
  const CivilTime cases[] = {{1899, 12, 30, 0, 0, 0}, {1970, 1, 1, 0, 0, 1}, {2000, 2, 29, 23, 59, 59},
                             {2024, 12, 31, 12, 0, 0}, {1800, 6, 15, 6, 0, 0}, {9999, 12, 31, 23, 59, 59}};
  for (const CivilTime& c : cases) {
    CivilTime back;
    ASSERT_TRUE(ToCivilTime(ToDateTime(c), back)) << c.year;
    EXPECT_EQ(FormatPicture(back, "yyyy-MM-dd", true) + FormatPicture(back, " HH:mm:ss", false),
              FormatPicture(c, "yyyy-MM-dd", true) + FormatPicture(c, " HH:mm:ss", false));
  }
  EXPECT_DOUBLE_EQ(ToDateTime(CivilTime{1900, 1, 1, 12, 0, 0}), 2.5);
  CivilTime t;
  EXPECT_FALSE(ToCivilTime(3e6, t));
  EXPECT_FALSE(ToCivilTime(-7e5, t));
  EXPECT_EQ(FormatDateTime(3e6, "yyyy-MM-dd ", "hh:mm:ss"), "");
}

TEST(DeadlineTest, TellsWhatIsLeftAndWhenItHasPassed) {
  EXPECT_EQ(Deadline(0).Left(), 0);  // no limit: always the whole of no limit
  const Deadline running(60000);
  ASSERT_TRUE(running.Left().has_value());
  EXPECT_GT(*running.Left(), 59000);
  EXPECT_LE(*running.Left(), 60000);
  const Deadline brief(1);
  while (brief.Elapsed() < 1) {
  }
  EXPECT_EQ(brief.Left(), std::nullopt);
}

}  // namespace
}  // namespace rcon
