// Stopping a search with SIGINT, SIGTERM or SIGHUP (Ctrl+C, kill, a closed terminal): the best
// grouping so far is saved and passes the results check, the screen says where, the exit code is
// 128 plus the signal, and on a real terminal (tmux) the cursor, the colours and the place of the
// shell prompt are as they were before the program started.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/results_checker.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

using std::chrono::seconds;

// Long enough for the program to be deep in its search, well before interim saving begins.
constexpr milliseconds kSearchingFor(1500);
constexpr int kStoppedRow = 15;

std::string StoppedMessage(const TempFolder& folder) {
  return " Search stopped: the best grouping found so far is saved in " +
         folder.PathOf("results.txt");
}

void ExpectSavedAtStop(const TempFolder& folder) {
  ResultsSummary summary;
  const Status status = CheckResultsFolder(folder.path(), &summary);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(summary.TargetStatus, 1);
}

class FaultStopTest : public ::testing::TestWithParam<int> {};

TEST_P(FaultStopTest, SavesTheBestSoFarAndExitsWith128PlusTheSignal) {
  Watchdog watchdog(seconds(60), "the stop-signal test");
  const int signal_number = GetParam();
  TempFolder folder;
  WriteInstanceFiles(folder.path(), MakeInstance(LongSearch(300, 5)));
  const std::string screen = folder.PathOf("screen.txt");
  ChildProcess child(ProgramPath(), ProgramInFolder(folder.path(), screen));
  std::this_thread::sleep_for(kSearchingFor);
  ASSERT_TRUE(child.Running()) << child.status()->Describe();
  child.Signal(signal_number);
  const std::optional<ExitStatus> status = child.WaitFor(seconds(20));
  ASSERT_TRUE(status.has_value()) << "the program did not stop";
  EXPECT_EQ(*status, ExitedWith(128 + signal_number)) << status->Describe();
  ExpectSavedAtStop(folder);
  const std::vector<std::string> rows = ReadLines(screen);
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(rows[kStoppedRow], StoppedMessage(folder));
}

INSTANTIATE_TEST_SUITE_P(Signals, FaultStopTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& param_info) {
                           return std::string(sigabbrev_np(param_info.param));
                         });

// True when every colour sequence in `line` only puts the colours back to the defaults.
bool OnlyDefaultColours(const std::string& line) {
  for (size_t at = line.find("\x1b["); at != std::string::npos; at = line.find("\x1b[", at)) {
    const size_t end = line.find('m', at);
    if (end == std::string::npos) return false;
    std::string parameters = line.substr(at + 2, end - at - 2);
    size_t start = 0;
    while (start <= parameters.size()) {
      size_t semicolon = parameters.find(';', start);
      if (semicolon == std::string::npos) semicolon = parameters.size();
      const std::string code = parameters.substr(start, semicolon - start);
      if (code != "" && code != "0" && code != "39" && code != "49") return false;
      start = semicolon + 1;
    }
    at = end;
  }
  return true;
}

struct TerminalCase {
  const char* name;
  int signal_number;
  bool twice;  // a second signal at once: the program must restore the terminal and end
};

// Names the case in test listings, instead of its bytes.
void PrintTo(const TerminalCase& test_case, std::ostream* out) { *out << test_case.name; }

class FaultTerminalTest : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(FaultTerminalTest, LeavesTheTerminalAsItFoundIt) {
  if (!TmuxTerminal::Available()) GTEST_SKIP() << "tmux is not installed or cannot start here";
  Watchdog watchdog(seconds(60), "the terminal test");
  const TerminalCase& test_case = GetParam();
  TempFolder folder;
  WriteInstanceFiles(folder.path(), MakeInstance(LongSearch(300, 6)));
  const std::string pid_file = folder.PathOf("pid");
  TmuxTerminal terminal(100, 30);
  ASSERT_EQ(terminal.Display("#{cursor_flag}"), "1");
  terminal.Type("sh -c " +
                ShellQuote("echo $$ > " + ShellQuote(pid_file) + "; exec " +
                           ShellQuote(ProgramPath()) + " --folder " + ShellQuote(folder.path()) +
                           " --no-pause") +
                "; echo \"exit=$?\"");
  pid_t pid = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::ifstream file(pid_file);
        return static_cast<bool>(file >> pid);
      },
      seconds(10)))
      << "the program did not start in tmux";
  std::this_thread::sleep_for(kSearchingFor);
  ASSERT_EQ(terminal.Display("#{cursor_flag}"), "0") << "the program shows the cursor";
  ::kill(pid, test_case.signal_number);
  if (test_case.twice) ::kill(pid, test_case.signal_number);

  const std::string exit_line = "exit=" + std::to_string(128 + test_case.signal_number);
  std::vector<std::string> rows;
  ASSERT_TRUE(WaitUntil(
      [&] {
        rows = terminal.Capture();
        return rows.size() > 26 && rows[26] == "$";
      },
      seconds(20)))
      << "no shell prompt below the screen; the pane shows:\n"
      << testing::PrintToString(terminal.Capture());
  EXPECT_EQ(rows[25], exit_line);
  EXPECT_EQ(terminal.Display("#{cursor_flag} #{cursor_x} #{cursor_y}"), "1 2 26");
  const std::vector<std::string> coloured = terminal.Capture(true);
  ASSERT_GT(coloured.size(), 26u);
  for (int row = 25; row <= 26; ++row) {
    EXPECT_TRUE(OnlyDefaultColours(coloured[static_cast<size_t>(row)]))
        << "row " << row
        << " is still coloured: " << testing::PrintToString(coloured[static_cast<size_t>(row)]);
  }
  if (test_case.twice) {
    // The second signal may have cut the save short; a file that exists must still be whole.
    if (std::ifstream(folder.PathOf("results.txt"))) ExpectSavedAtStop(folder);
  } else {
    EXPECT_EQ(rows[kStoppedRow], StoppedMessage(folder));
    ExpectSavedAtStop(folder);
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, FaultTerminalTest,
                         ::testing::Values(TerminalCase{"SIGINT", SIGINT, false},
                                           TerminalCase{"SIGTERM", SIGTERM, false},
                                           TerminalCase{"SIGHUP", SIGHUP, false},
                                           TerminalCase{"SIGINT_twice", SIGINT, true}),
                         [](const ::testing::TestParamInfo<TerminalCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

}  // namespace
}  // namespace quorvale::test
