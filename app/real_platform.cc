// Clock, sleep and key wait on Linux.
//
// The key wait closes the race between testing StopSignal() and blocking: the stop signals are
// blocked while the flag is tested and unblocked only inside ppoll, so a signal that arrives in
// between still interrupts the wait instead of being noticed only after the next key.
#include "app/real_platform.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "app/stop_signal.h"

namespace quorvale {

namespace {

constexpr auto kSleepSlice = std::chrono::milliseconds(50);

// The mode of standard input before the key wait changed it. Written only while `g_raw` is
// false, so the signal handler never reads it half-written.
termios g_saved_termios{};
std::atomic<bool> g_raw{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The mode of standard input before QuietInput turned echo off for the run.
termios g_original_termios{};
std::atomic<bool> g_quiet{false};

// Switches a terminal on standard input to single-key mode and back.
class RawInput {
 public:
  RawInput() {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_saved_termios) != 0) return;
    termios raw = g_saved_termios;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_raw.store(true);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) g_raw.store(false);
  }
  ~RawInput() {
    if (!g_raw.load()) return;
    tcflush(STDIN_FILENO, TCIFLUSH);
    // Restore before clearing the flag: a signal in between then restores once more, harmlessly,
    // instead of not at all.
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_termios);
    g_raw.store(false);
  }
  RawInput(const RawInput&) = delete;
  RawInput& operator=(const RawInput&) = delete;
};

// Blocks the stop signals for the lifetime of the object; `old_mask()` is the mask before.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    sigprocmask(SIG_BLOCK, &stops, &old_mask_);
  }
  ~StopSignalsBlocked() { sigprocmask(SIG_SETMASK, &old_mask_, nullptr); }
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;
  const sigset_t* old_mask() const { return &old_mask_; }

 private:
  sigset_t old_mask_;
};

}  // namespace

namespace {

int64_t MonotonicMs() {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0) clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

SteadyClock::SteadyClock() : start_ms_(MonotonicMs()) {}

int64_t SteadyClock::ElapsedMs() { return MonotonicMs() - start_ms_; }

bool TerminalPauser::Sleep(int milliseconds) {
  using std::chrono::steady_clock;
  const auto deadline = steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
  for (;;) {
    if (StopSignal().load() != 0) return false;
    const auto left = deadline - steady_clock::now();
    if (left <= steady_clock::duration::zero()) return true;
    const auto slice = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::min<steady_clock::duration>(left, kSleepSlice));
    timespec request{};
    request.tv_nsec = static_cast<long>(slice.count());
    // An interruption just brings the next look at the flag forward.
    nanosleep(&request, nullptr);
  }
}

bool TerminalPauser::WaitForKey() {
  RawInput raw_input;
  StopSignalsBlocked blocked;
  for (;;) {
    if (StopSignal().load() != 0) return false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = ppoll(&input, 1, nullptr, blocked.old_mask());
    if (ready < 0) {
      if (errno == EINTR) continue;
      return true;
    }
    unsigned char key = 0;
    const ssize_t n = read(STDIN_FILENO, &key, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    return true;
  }
}

void RestoreKeyWaitTerminal() {
  if (g_quiet.load()) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_original_termios);
  } else if (g_raw.load()) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_termios);
  }
}

QuietInput::QuietInput() {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_original_termios) != 0) return;
  termios quiet = g_original_termios;
  quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
  g_quiet.store(true);
  if (tcsetattr(STDIN_FILENO, TCSANOW, &quiet) != 0) g_quiet.store(false);
}

QuietInput::~QuietInput() {
  if (!g_quiet.load()) return;
  // Keys typed during the run were meant for the program, not for the shell.
  tcflush(STDIN_FILENO, TCIFLUSH);
  tcsetattr(STDIN_FILENO, TCSANOW, &g_original_termios);
  g_quiet.store(false);
}

}  // namespace quorvale
