#include "core/platform/systemclock.h"

#include <chrono>
#include <ctime>

namespace ruvo::platform {

std::int64_t SystemClock::tickMs() {
  using namespace std::chrono;
  // Offset by a second: a tick of 0 means "not timing" to the callers.
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1000;
}

DateTime SystemClock::now() {
  const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return {};
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace ruvo::platform
