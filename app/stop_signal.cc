// The stop-signal handlers. A first SIGINT, SIGTERM or SIGHUP is only recorded, so that the
// program stops at its next poll and ends in order; a second one means the user will not wait,
// and the process puts the terminal back and ends on the spot.
#include "app/stop_signal.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "app/real_platform.h"

namespace quorvale {

namespace {

// Both are touched from the handler, so they must never take a lock.
constinit std::atomic<int> g_stop_signal{0};
constinit std::atomic<void (*)()> g_emergency_hook{nullptr};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<void (*)()>::is_always_lock_free);

void HandleStopSignal(int signal_number) {
  const int saved_errno = errno;
  int expected = 0;
  if (g_stop_signal.compare_exchange_strong(expected, signal_number)) {
    errno = saved_errno;
    return;
  }
  if (void (*hook)() = g_emergency_hook.load()) hook();
  RestoreKeyWaitTerminal();
  _exit(128 + signal_number);
}

}  // namespace

std::atomic<int>& StopSignal() { return g_stop_signal; }

void InstallStopSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = HandleStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read or sleep must return so that its caller can see the stop.
  action.sa_flags = 0;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &action, nullptr);

  // A closed terminal or pipe must show up as a failed write, not kill the program unsaved.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

void SetEmergencyRestoreHook(void (*hook)()) { g_emergency_hook.store(hook); }

void RestoreTerminalOnce() {
  static constinit std::atomic<bool> restored{false};
  if (restored.exchange(true)) return;
  if (void (*hook)() = g_emergency_hook.load()) hook();
  RestoreKeyWaitTerminal();
}

}  // namespace quorvale
