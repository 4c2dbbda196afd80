#include "util/timestamp.h"

#include <array>

namespace rcon {
namespace {

struct PatternRow {
  std::string_view date;
  std::string_view time;
  std::string_view month_day;
  std::string_view hour_minute;
  std::string_view minute_second;
};

// The patterns, one row per style. Style 0 holds GBK unit characters:
// "yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒".
constexpr std::array<PatternRow, 4> kPatterns{{
    {"yyyy\xC4\xEA" "MM\xD4\xC2" "dd\xC8\xD5 ", "hh\xCA\xB1mm\xB7\xD6ss\xC3\xEB", "MM\xD4\xC2" "dd\xC8\xD5",
     "hh\xCA\xB1mm\xB7\xD6", "mm\xB7\xD6ss\xC3\xEB"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
}};

// Appends a number with at least `width` digits.
void AppendNumber(Text& out, int value, int width) {
  Text digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(static_cast<std::size_t>(width) - digits.size(), '0');
  out += digits;
}

// Appends the field that a run of `count` picture letters stands for; false when the letter is no picture.
bool AppendField(Text& out, const CivilTime& t, char letter, int count, bool date_picture) {
  const int width = count >= 2 ? 2 : 1;
  if (date_picture) {
    switch (letter) {
      case 'y':
        if (count <= 2) AppendNumber(out, t.year % 100, width);
        else AppendNumber(out, t.year, 4);
        return true;
      case 'M': AppendNumber(out, t.month, width); return true;
      case 'd': AppendNumber(out, t.day, width); return true;
      default: return false;
    }
  }
  switch (letter) {
    case 'h': AppendNumber(out, t.hour % 12 == 0 ? 12 : t.hour % 12, width); return true;
    case 'H': AppendNumber(out, t.hour, width); return true;
    case 'm': AppendNumber(out, t.minute, width); return true;
    case 's': AppendNumber(out, t.second, width); return true;
    default: return false;
  }
}

Text FormatPart(const CivilTime& t, std::string_view pattern, bool date_picture) {
  if (TextLength(pattern) <= 2) return Text();
  return FormatPicture(t, pattern, date_picture);
}

}  // namespace

Text FormatPicture(const CivilTime& t, std::string_view picture, bool date_picture) {
  Text out;
  for (std::size_t i = 0; i < picture.size() && picture[i] != '\0';) {
    const std::uint8_t b = ByteAt(picture, i);
    if (IsLeadByte(b)) {  // a GBK character is copied whole, so its trail byte is never read as a letter
      const std::size_t n = i + 1 < picture.size() && picture[i + 1] != '\0' ? 2 : 1;
      out.append(picture.substr(i, n));
      i += n;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == picture[i]) ++run;
    if (!AppendField(out, t, picture[i], static_cast<int>(run), date_picture)) {
      out.append(picture.substr(i, run));
    }
    i += run;
  }
  return out;
}

Text FormatDateTime(DateTime time, std::string_view date_pattern, std::string_view time_pattern) {
  CivilTime t;
  if (!ToCivilTime(time, t)) return Text();
  return FormatPart(t, date_pattern, true) + FormatPart(t, time_pattern, false);
}

Text FormatTimestamp(std::optional<DateTime> time, int style, int selection) {
  const DateTime moment = time ? *time : Now();
  if (style < 0 || style > 3) style = 0;
  const PatternRow& row = kPatterns[static_cast<std::size_t>(style)];
  Text date_pattern(selection >= 3 && selection <= 5 ? std::string_view() : row.date);
  Text time_pattern(selection == 1 || selection == 2 ? std::string_view() : row.time);
  if (selection == 1) date_pattern = TrimSpaces(date_pattern);
  if (selection == 2) date_pattern = Text(row.month_day);
  if (selection == 4) time_pattern = Text(row.hour_minute);
  if (selection == 5) time_pattern = Text(row.minute_second);
  if (UsesTwentyFourHourClock() == 1) time_pattern = ReplaceText(time_pattern, "hh", "HH");
  return FormatDateTime(moment, date_pattern, time_pattern);
}

}  // namespace rcon
