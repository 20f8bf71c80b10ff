// The source of elapsed time for everything that looks at the clock: the panel refresh, interim
// saving and the countdown.
#pragma once

#include <cstdint>

namespace quorvale {

class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock milliseconds since the program started; never decreases.
  virtual int64_t ElapsedMs() = 0;
};

}  // namespace quorvale
