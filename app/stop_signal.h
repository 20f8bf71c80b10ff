// Cooperative stopping: SIGINT, SIGTERM and SIGHUP only record which signal arrived; the search
// and the waits poll the record, so that the program can still save its results and restore the
// terminal before it exits with 128 plus the signal number.
#pragma once

#include <atomic>

namespace quorvale {

// 0 while no stop was asked for, else the number of the first stop signal received.
std::atomic<int>& StopSignal();

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (without SA_RESTART, so that a blocking
// read or sleep returns early). A second stop signal while the first is still being handled
// calls the emergency hook, if one is set, and ends the process at once with 128 + signal.
void InstallStopSignalHandlers();

// Called from the signal handler on a second stop signal, before the process ends. It must be
// async-signal-safe (write(2) only). Used by the terminal to put the screen back.
void SetEmergencyRestoreHook(void (*hook)());

// Calls the emergency hook and puts standard input's mode back, the first time only, for a
// process that is about to die. Async-signal-safe.
void RestoreTerminalOnce();

}  // namespace quorvale
