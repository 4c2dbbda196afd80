#include <windows.h>

#include "util/clock.h"

namespace rcon {

std::int32_t TickCount() { return static_cast<std::int32_t>(GetTickCount()); }

CivilTime LocalTimeNow() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return CivilTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace rcon
