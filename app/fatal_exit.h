// The ways out that bypass the program's own ending: a crash signal (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL), an abort, and std::terminate after an uncaught exception. They too must hand the
// terminal back with echo on, the cursor shown and the colours reset.
#pragma once

namespace quorvale {

// Installs handlers that put the terminal back (the emergency hook of the stop signals and the
// key-wait mode) and then let the process die as it would have: std::terminate's own handler
// still reports the exception, and a crash signal is raised again with its default action.
void InstallFatalExitHandlers();

}  // namespace quorvale
