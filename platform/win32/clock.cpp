#include "platform/clock.h"

#include <windows.h>

namespace platform {

std::uint32_t TickCount() { return GetTickCount(); }

CalendarDate LocalDate() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay};
}

} // namespace platform
