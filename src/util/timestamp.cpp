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

// Gathers a formatted part in a small buffer and appends it to the text in one go.
class PartWriter {
 public:
  explicit PartWriter(Text& out) : out_(out) {}
  ~PartWriter() { out_.append(buffer_, length_); }
  PartWriter(const PartWriter&) = delete;
  PartWriter& operator=(const PartWriter&) = delete;

  void Put(std::string_view bytes) {
    if (bytes.size() > sizeof buffer_ - length_) {
      out_.append(buffer_, length_);
      length_ = 0;
      if (bytes.size() > sizeof buffer_) return (void)out_.append(bytes);
    }
    bytes.copy(buffer_ + length_, bytes.size());
    length_ += bytes.size();
  }
  // A non-negative number with at least `width` digits.
  void Number(int value, int width) {
    char digits[12];
    int n = 0;
    auto v = static_cast<unsigned>(value < 0 ? 0 : value);
    do {
      digits[sizeof digits - 1 - n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    while (n < width) digits[sizeof digits - 1 - n++] = '0';
    Put(std::string_view(digits + sizeof digits - n, static_cast<std::size_t>(n)));
  }

 private:
  Text& out_;
  char buffer_[64];
  std::size_t length_ = 0;
};

// Writes the field that a run of `count` picture letters stands for; false when the letter is
// no picture. `twenty_four` reads the 12-hour picture h as the 24-hour H.
bool PutField(PartWriter& out, const CivilTime& t, char letter, int count, bool date_picture, bool twenty_four) {
  const int width = count >= 2 ? 2 : 1;
  if (date_picture) {
    switch (letter) {
      case 'y':
        if (count <= 2) out.Number(t.year % 100, width);
        else out.Number(t.year, 4);
        return true;
      case 'M': out.Number(t.month, width); return true;
      case 'd': out.Number(t.day, width); return true;
      default: return false;
    }
  }
  if (letter == 'h' && twenty_four) letter = 'H';
  switch (letter) {
    case 'h': out.Number(t.hour % 12 == 0 ? 12 : t.hour % 12, width); return true;
    case 'H': out.Number(t.hour, width); return true;
    case 'm': out.Number(t.minute, width); return true;
    case 's': out.Number(t.second, width); return true;
    default: return false;
  }
}

void AppendPicture(Text& text, const CivilTime& t, std::string_view picture, bool date_picture, bool twenty_four) {
  PartWriter out(text);
  picture = UpToZero(picture);
  for (std::size_t i = 0; i < picture.size();) {
    if (IsLeadByte(ByteAt(picture, i))) {  // a GBK character is copied whole, so its trail byte is never read as a letter
      const std::size_t n = CharLengthAt(picture, i);
      out.Put(picture.substr(i, n));
      i += n;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == picture[i]) ++run;
    if (!PutField(out, t, picture[i], static_cast<int>(run), date_picture, twenty_four)) out.Put(picture.substr(i, run));
    i += run;
  }
}

// A part is formatted only when its pattern has more than two bytes.
void AppendPart(Text& out, const CivilTime& t, std::string_view pattern, bool date_picture, bool twenty_four) {
  if (TextLength(pattern) > 2) AppendPicture(out, t, pattern, date_picture, twenty_four);
}

}  // namespace

Text FormatPicture(const CivilTime& t, std::string_view picture, bool date_picture) {
  Text out;
  AppendPicture(out, t, picture, date_picture, false);
  return out;
}

Text FormatDateTime(DateTime time, std::string_view date_pattern, std::string_view time_pattern) {
  CivilTime t;
  if (!ToCivilTime(time, t)) return Text();
  Text out;
  AppendPart(out, t, date_pattern, true, false);
  AppendPart(out, t, time_pattern, false, false);
  return out;
}

void AppendTimestamp(Text& out, std::optional<DateTime> time, int style, int selection) {
  CivilTime t;
  if (!time) {
    t = LocalTimeNow();  // now, in whole seconds: the same moment the day count would give
  } else if (!ToCivilTime(*time, t)) {
    return;
  }
  if (style < 0 || style > 3) style = 0;
  const PatternRow& row = kPatterns[static_cast<std::size_t>(style)];
  std::string_view date_pattern = selection >= 3 && selection <= 5 ? std::string_view() : row.date;
  std::string_view time_pattern = selection == 1 || selection == 2 ? std::string_view() : row.time;
  Text trimmed;
  if (selection == 1) date_pattern = trimmed = TrimSpaces(date_pattern);
  if (selection == 2) date_pattern = row.month_day;
  if (selection == 4) time_pattern = row.hour_minute;
  if (selection == 5) time_pattern = row.minute_second;
  // A 24-hour clock shows the hour as HH where the pattern says hh (every pattern holds hh, or no hour).
  const bool twenty_four = UsesTwentyFourHourClock() == 1;
  AppendPart(out, t, date_pattern, true, twenty_four);
  AppendPart(out, t, time_pattern, false, twenty_four);
}

Text FormatTimestamp(std::optional<DateTime> time, int style, int selection) {
  Text out;
  AppendTimestamp(out, time, style, selection);
  return out;
}

}  // namespace rcon
