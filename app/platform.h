// The waits of the driver: the countdown's one-second steps and set-up mode's key press. Real
// implementations block; the tests' fakes return at once.
#pragma once

namespace quorvale {

class Pauser {
 public:
  virtual ~Pauser() = default;
  // Waits `milliseconds`, or less when a stop signal arrives; returns false when interrupted.
  virtual bool Sleep(int milliseconds) = 0;
  // Waits for one key press, not echoed (or one byte, or the end of input, when standard input
  // is not a terminal); returns false when interrupted by a stop signal.
  virtual bool WaitForKey() = 0;
};

}  // namespace quorvale
