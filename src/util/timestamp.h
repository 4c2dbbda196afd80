// Time stamps for the console: a date pattern and a time pattern picked from fixed tables
// by style and selection, filled in with the local clock's 12- or 24-hour hour.
#pragma once

#include <optional>

#include "util/clock.h"
#include "util/text.h"

namespace rcon {

// Formats a time stamp; no time means now, and a style outside 0-3 or a selection outside 1-5 counts as 0.
Text FormatTimestamp(std::optional<DateTime> time = std::nullopt, int style = 0, int selection = 0);

// The same, appended to `out` (for a caller that reuses one buffer).
void AppendTimestamp(Text& out, std::optional<DateTime> time = std::nullopt, int style = 0, int selection = 0);

// Returns 1 when the user's locale shows the hour on a 24-hour clock, 0 otherwise.
int UsesTwentyFourHourClock();

// Formats the date part and the time part of a moment and joins them; the empty text when the moment is out of range.
Text FormatDateTime(DateTime time, std::string_view date_pattern, std::string_view time_pattern);

// Fills in a date picture (yyyy, yy, MM, M, dd, d) or a time picture (hh, h, HH, H, mm, m, ss, s);
// every other character, GBK characters included, is copied unchanged.
Text FormatPicture(const CivilTime& t, std::string_view picture, bool date_picture);

}  // namespace rcon
