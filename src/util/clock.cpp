#include "util/clock.h"

namespace rcon {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Day count of 1970-01-01 in the 1899-12-30 epoch.
constexpr std::int64_t kUnixEpochDay = 25569;
// The range a day count may take: 0100-01-01 to the end of 9999-12-31.
constexpr double kFirstDay = -657434.0;
constexpr double kPastLastDay = 2958466.0;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = static_cast<unsigned>((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, CivilTime& t) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (t.month <= 2 ? 1 : 0));
}

}  // namespace

DateTime Now() { return ToDateTime(LocalTimeNow()); }

DateTime ToDateTime(const CivilTime& t) {
  const std::int64_t day = DaysFromCivil(t.year, t.month, t.day) + kUnixEpochDay;
  const std::int64_t seconds = t.hour * 3600 + t.minute * 60 + t.second;
  // Before the epoch the fraction still counts forward from midnight of that day.
  const double fraction = static_cast<double>(seconds) / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

bool ToCivilTime(DateTime value, CivilTime& out) {
  if (!(value >= kFirstDay && value < kPastLastDay)) return false;
  auto day = static_cast<std::int64_t>(value);  // toward zero
  double fraction = value - static_cast<double>(day);
  if (fraction < 0) fraction = -fraction;
  auto seconds = static_cast<std::int64_t>(fraction * kSecondsPerDay + 0.5);  // to the nearest second
  if (seconds >= kSecondsPerDay) {  // rounding reached the next midnight
    seconds -= kSecondsPerDay;
    day += 1;
  }
  CivilFromDays(day - kUnixEpochDay, out);
  out.hour = static_cast<int>(seconds / 3600);
  out.minute = static_cast<int>(seconds / 60 % 60);
  out.second = static_cast<int>(seconds % 60);
  return true;
}

}  // namespace rcon
