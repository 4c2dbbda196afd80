// The two clocks: a millisecond tick counter for measuring waits, and the local calendar
// time as a day count (days since 30 December 1899, the fraction being the time of day).
#pragma once

#include <cstdint>

namespace rcon {

// A point in local time as a day count since 1899-12-30 00:00; carries no time zone.
using DateTime = double;

// A local calendar time broken into its fields.
struct CivilTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Returns milliseconds from a monotonic clock as a signed 32-bit value that wraps around.
std::int32_t TickCount();

// Returns the current local date and time in whole seconds.
DateTime Now();

// Returns the current local calendar time (platform clock, whole seconds).
CivilTime LocalTimeNow();

// Converts calendar fields to a day count.
DateTime ToDateTime(const CivilTime& t);

// Converts a day count to calendar fields, rounded to the second; false outside the years 100 to 9999.
bool ToCivilTime(DateTime value, CivilTime& out);

// Milliseconds from an earlier TickCount reading to a later one, correct across the wrap-around.
inline std::int64_t TicksBetween(std::int32_t earlier, std::int32_t later) {
  return static_cast<std::int64_t>(static_cast<std::uint32_t>(later) - static_cast<std::uint32_t>(earlier));
}

}  // namespace rcon
