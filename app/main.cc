// Entry point: picks the console (the terminal, or an in-memory screen printed as plain text
// when standard output is not a terminal or the terminal cannot place text), installs the stop
// signals, runs the program, and then says on standard error what the screen said about a
// failure (when no terminal showed it) and what input went unused.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/check_mode.h"
#include "app/driver.h"
#include "app/fatal_exit.h"
#include "app/options.h"
#include "app/real_platform.h"
#include "app/roster_mode.h"
#include "app/roster_report.h"
#include "app/run_notes.h"
#include "app/stop_signal.h"
#include "base/safe_text.h"
#include "console/screen.h"
#include "console/terminal.h"
#include "engine/deep_strategy.h"
#include "proof/prover.h"

namespace {

std::optional<std::string> CurrentFolder() {
  std::unique_ptr<char, decltype(&free)> path(::getcwd(nullptr, 0), &free);
  if (!path) return std::nullopt;
  return std::string(path.get());
}

// A terminal that cannot move the cursor (TERM=dumb, or no TERM at all) gets the plain text.
bool TerminalCanPlaceText() {
  const char* term = std::getenv("TERM");
  return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

// The NO_COLOR convention: set and not empty.
bool ColourWanted() {
  const char* no_color = std::getenv("NO_COLOR");
  return no_color == nullptr || *no_color == '\0';
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

// Prints the lines of `text`, each ended by a line feed, with their control characters written
// out: names and paths from the user's files must not steer the terminal.
void PrintLines(std::string_view text, std::FILE* to) {
  for (size_t end = 0; (end = text.find('\n')) != std::string_view::npos;) {
    std::fputs((quorvale::Printable(text.substr(0, end)) + "\n").c_str(), to);
    text.remove_prefix(end + 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorvale;
  SteadyClock clock;

  Options options;
  if (Status status = ParseOptions(argc, argv, options); !status.ok()) {
    std::fprintf(stderr, "quorvalemixer: %s\n%s", Printable(status.message()).c_str(),
                 options.roster_as_mix ? "" : ("\n" + UsageText()).c_str());
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
  if (options.init_roster) return RunInit(*options.init_roster, stdout, stderr);
  if (options.check) {
    return RunCheck(*options.mix_file, options.check_groups, options.rounds, PhysicalMemoryBytes(),
                    kernel_level, stdout, stderr);
  }

  // A mix is checked and turned into the working folder's two files before the screen opens,
  // so a refusal is a plain message and leaves nothing behind.
  std::optional<PreparedMix> mix;
  if (options.mix_file) {
    mix.emplace();
    if (Status status = PrepareMix(*options.mix_file, PhysicalMemoryBytes(), *mix, options.rounds);
        !status.ok()) {
      std::fprintf(stderr, "quorvalemixer: %s\n", Printable(status.message()).c_str());
      return kExitFailure;
    }
    for (const std::string& warning : mix->plan.warnings) {
      std::fprintf(stderr, "quorvalemixer: warning: %s\n", Printable(warning).c_str());
    }
    options.folder = mix->plan.work_folder;
    if (!options.seed) options.seed = mix->plan.seed;
    if (!options.time_limit_ms) options.time_limit_ms = mix->plan.time_limit_ms;
    // A roster run ends as soon as its best grouping is proven the best possible.
    options.stop_when_proven = true;
    // The deep search by the mix file's word, else by the roster's size; --search wins.
    if (!options.search_given) {
      const bool deep = mix->plan.search ? *mix->plan.search == "deep"
                                         : mix->model.PersonCount() >= kDeepSearchFromPersons;
      options.search = deep ? SearchStrategy::kDeep : SearchStrategy::kClassic;
    }
  }

  InstallStopSignalHandlers();
  InstallFatalExitHandlers();
  // A file-size limit must make a save fail with a message, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  TerminalPauser pauser;
  const bool on_terminal = ::isatty(STDOUT_FILENO) == 1 && TerminalCanPlaceText();
  std::unique_ptr<TerminalConsole> terminal;
  std::unique_ptr<Screen> screen;
  Console* console = nullptr;
  std::optional<QuietInput> quiet_input;
  if (on_terminal) {
    quiet_input.emplace();
    terminal = std::make_unique<TerminalConsole>(STDOUT_FILENO, ColourWanted());
    TerminalConsole::InstallResizeHandler();
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
  if (mix) {
    environment.model = &mix->model;
    environment.plan_ends_search = mix->plan.plan_given;
    environment.also_save = [&mix](const Problem& p) { return SaveGroups(*mix, p); };
    environment.also_saved_paths = {mix->plan.groups_path};
    environment.folder_locked = true;
    environment.report_path = MixReportPath(mix->plan);
    environment.describe_report = [&mix](ReportData& data) { DescribeMix(mix->plan, data); };
  }
  RunNotes notes;
  const int code = RunProgram(options, environment, &notes);

  if (terminal) {
    terminal->Restore();
  } else {
    PrintLines(screen->PlainText(), stdout);
  }
  for (const std::string& line : environment.summary) PrintLines(line + "\n", stdout);
  std::fflush(stdout);
  for (const std::string& line : DiagnosticLines(notes, !terminal)) PrintLines(line, stderr);
  // A prover thread that did not stop in time may still be inside the solver, which the exit
  // handlers could pull from under it: everything is saved and said, so end here.
  if (Prover::LeftBehind()) {
    std::fflush(nullptr);
    std::_Exit(code);
  }
  return code;
}
