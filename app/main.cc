// Entry point: picks the console (the terminal, or an in-memory screen printed as plain text
// when standard output is not a terminal), installs the stop signals and runs the program.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "app/driver.h"
#include "app/fatal_exit.h"
#include "app/options.h"
#include "app/real_platform.h"
#include "app/stop_signal.h"
#include "console/screen.h"
#include "console/terminal.h"

namespace {

std::optional<std::string> CurrentFolder() {
  std::unique_ptr<char, decltype(&free)> path(::getcwd(nullptr, 0), &free);
  if (!path) return std::nullopt;
  return std::string(path.get());
}

double PhysicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return 1e300;
  return static_cast<double>(pages) * static_cast<double>(page_size);
}

// The fault tests cannot wait 16 seconds for every interim save; they shorten the wait through
// the environment. Not meant for users, so it is not documented.
int64_t FirstSaveMs() {
  const char* text = std::getenv("QM_TEST_FIRST_SAVE_MS");
  if (text == nullptr || *text == '\0') return quorvale::kFirstSaveMs;
  char* end = nullptr;
  const long long ms = std::strtoll(text, &end, 10);
  if (*end != '\0' || ms < 0) return quorvale::kFirstSaveMs;
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorvale;
  SteadyClock clock;

  Options options;
  if (Status status = ParseOptions(argc, argv, options); !status.ok()) {
    std::fprintf(stderr, "quorvalemixer: %s\n\n%s", status.message().c_str(), UsageText().c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return kExitOk;
  }
  const KernelLevel kernel_level = SupportedKernelLevel();
  if (options.version) {
    std::printf("quorvalemixer %s\nsearch kernels: %s\n", QM_VERSION,
                KernelLevelName(kernel_level));
    return kExitOk;
  }

  InstallStopSignalHandlers();
  InstallFatalExitHandlers();
  // A file-size limit must make a save fail with a message, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  TerminalPauser pauser;
  const bool on_terminal = ::isatty(STDOUT_FILENO) == 1;
  std::unique_ptr<TerminalConsole> terminal;
  std::unique_ptr<Screen> screen;
  Console* console = nullptr;
  std::optional<QuietInput> quiet_input;
  if (on_terminal) {
    quiet_input.emplace();
    terminal = std::make_unique<TerminalConsole>(STDOUT_FILENO);
    SetEmergencyRestoreHook(&TerminalConsole::EmergencyRestore);
    console = terminal.get();
  } else {
    screen = std::make_unique<Screen>();
    console = screen.get();
  }

  ProgramEnvironment environment{
      *console,       clock,
      pauser,         QM_DEFAULT_FOLDER,
      &CurrentFolder, [] { return static_cast<uint32_t>(std::time(nullptr)); },
      &StopSignal(),  PhysicalMemoryBytes(),
      kernel_level,   FirstSaveMs(),
  };
  const int code = RunProgram(options, environment);

  if (terminal) {
    terminal->Restore();
  } else {
    std::fputs(screen->PlainText().c_str(), stdout);
    std::fflush(stdout);
  }
  return code;
}
