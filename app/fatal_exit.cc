// Handlers for the fatal ways out. Everything they call is async-signal-safe.
#include "app/fatal_exit.h"

#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <exception>

#include "app/stop_signal.h"

namespace quorvale {

namespace {

constinit std::terminate_handler g_previous_terminate = nullptr;

void HandleFatalSignal(int signal_number) {
  RestoreTerminalOnce();
  // SA_RESETHAND has put the default action back: raising again ends the process as the signal
  // would have, core dump included.
  raise(signal_number);
}

void HandleTerminate() {
  RestoreTerminalOnce();
  if (g_previous_terminate != nullptr) g_previous_terminate();
  std::abort();
}

}  // namespace

void InstallFatalExitHandlers() {
  struct sigaction action {};
  action.sa_handler = HandleFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  for (int signal_number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    sigaction(signal_number, &action, nullptr);
  }
  g_previous_terminate = std::set_terminate(HandleTerminate);
}

}  // namespace quorvale
