#pragma once
// The clock of the machine: what every program uses unless a test gives its own.
#include <cstdint>

#include "core/platform/ports.h"

namespace ruvo::platform {

class SystemClock final : public Clock {
 public:
  // Milliseconds of the monotonic clock (never set back, never 0).
  std::int64_t tickMs() override;
  // The local wall-clock date and time, to the second.
  DateTime now() override;
};

}  // namespace ruvo::platform
