// The real clock and waits of the program on Linux: elapsed time from the steady clock, sleeps
// that end early on a stop signal, and a single-key wait on standard input.
#pragma once

#include <chrono>
#include <cstdint>

#include "app/platform.h"
#include "base/clock.h"

namespace quorvale {

// Milliseconds since the object was made; the program makes it first thing, so this is the time
// since the program started. It reads the kernel's coarse monotonic clock: a few milliseconds of
// resolution are plenty for a 40 ms refresh and whole seconds, and the search reads the clock after
// every exchange, where a fine reading would cost several percent of a small search.
class SteadyClock final : public Clock {
 public:
  SteadyClock();
  int64_t ElapsedMs() override;

 private:
  int64_t start_ms_;
};

// Waits that give way to StopSignal(): both return false at once when it is already set.
class TerminalPauser final : public Pauser {
 public:
  // Notices a stop signal within 50 ms even if the signal did not interrupt the sleep.
  bool Sleep(int milliseconds) override;
  // On a terminal: one key, without echo and without waiting for Enter; the terminal's mode is
  // put back on every way out, and bytes still queued after the key (the rest of an arrow key's
  // sequence) are discarded. Otherwise one byte; end of input or a read error also counts as the
  // key.
  bool WaitForKey() override;
};

// For the lifetime of the object, keys typed on a terminal are not echoed: the screen shows only
// changed cells, so an echoed character would stay on it. The mode is put back afterwards.
class QuietInput {
 public:
  QuietInput();
  ~QuietInput();
  QuietInput(const QuietInput&) = delete;
  QuietInput& operator=(const QuietInput&) = delete;
};

// Puts standard input back into the mode it had before the program changed it (QuietInput, or a
// WaitForKey in progress); does nothing when neither is in force. Async-signal-safe: the
// stop-signal handler calls it before ending the process.
void RestoreKeyWaitTerminal();

}  // namespace quorvale
