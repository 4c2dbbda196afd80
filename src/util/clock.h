// The two clocks: a millisecond tick counter for measuring waits, and the local calendar
// time as a day count (days since 30 December 1899, the fraction being the time of day).
#pragma once

#include <cstdint>
#include <optional>

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
  int millisecond = 0;  // where the clock read gives it (LocalTimeNow); 0 otherwise
};

// Returns milliseconds from a monotonic clock as a signed 32-bit value that wraps around.
std::int32_t TickCount();

// Returns the current local date and time in whole seconds.
DateTime Now();

// Returns the current local calendar time (platform clock, with its milliseconds).
CivilTime LocalTimeNow();

// Converts calendar fields to a day count.
DateTime ToDateTime(const CivilTime& t);

// Converts a day count to calendar fields, rounded to the second; false outside the years 100 to 9999.
bool ToCivilTime(DateTime value, CivilTime& out);

// Milliseconds from an earlier TickCount reading to a later one, correct across the wrap-around.
inline std::int64_t TicksBetween(std::int32_t earlier, std::int32_t later) {
  return static_cast<std::int64_t>(static_cast<std::uint32_t>(later) - static_cast<std::uint32_t>(earlier));
}

// A time-out in milliseconds that runs from the moment it is made, on the tick counter; a
// time-out of 0 has no limit. Every wait of the program measures on this one clock.
class Deadline {
 public:
  explicit Deadline(int timeout_ms) : start_(TickCount()), timeout_ms_(timeout_ms) {}
  // Milliseconds since it was made.
  std::int64_t Elapsed() const { return TicksBetween(start_, TickCount()); }
  // What is left of it as a wait time-out: 0 (no limit) when it has none; nothing once it has passed.
  std::optional<int> Left() const {
    if (timeout_ms_ == 0) return 0;
    const std::int64_t left = timeout_ms_ - Elapsed();
    if (left <= 0) return std::nullopt;
    return static_cast<int>(left);
  }

 private:
  std::int32_t start_;
  int timeout_ms_;
};

}  // namespace rcon
