#include <windows.h>

#include "util/timestamp.h"

namespace rcon {

int UsesTwentyFourHourClock() {
  // LOCALE_ITIME answers "1" for a 24-hour clock and "0" for a 12-hour one; a failed query
  // leaves the spaces, which read as 0.
  Text buffer = SpacesText(4);
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ITIME, buffer.data(), 4);
  return ToInt(buffer);
}

}  // namespace rcon
