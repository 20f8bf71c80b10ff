// SIGINT, SIGTERM and SIGHUP stop a search: the best grouping so far is saved and passes the
// results check, the screen says where, the exit code is 128 plus the signal, and Ctrl+C on a
// real terminal (tmux) leaves the cursor shown, the colours reset and the prompt below the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <regex>

#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/results_checker.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

// The program may save from its first pass on: a "results.txt" shows that the search is under
// way, which is when the tests stop it.
bool Saved(const TempFolder& folder) {
  return !ReadWholeFile(folder.PathOf("results.txt")).empty();
}

void ExpectStoppedAndSaved(const TempFolder& folder, const std::vector<std::string>& rows) {
  EXPECT_EQ(rows.at(15), " Search stopped: the best grouping found so far is saved in " +
                             folder.PathOf("results.txt"));
  ResultsSummary summary;
  EXPECT_EQ(CheckResultsFolder(folder.path(), &summary), "");
  EXPECT_EQ(summary.TargetStatus, 1);
}

class FaultStopTest : public ::testing::TestWithParam<int> {};

TEST_P(FaultStopTest, SavesTheBestSoFarAndExitsWith128PlusTheSignal) {
  TempFolder folder;
  WriteInstance(folder.path(), 300, 5, false);
  Child child(folder.path(), {folder.PathOf("screen"), false, 0});
  ASSERT_TRUE(WaitUntil([&] { return Saved(folder); }, milliseconds(30000)));
  child.Signal(GetParam());
  EXPECT_EQ(child.Wait(milliseconds(20000)), 128 + GetParam());
  const std::vector<std::string> rows = Lines(ReadWholeFile(folder.PathOf("screen")));
  ASSERT_EQ(rows.size(), 30u);  // the screen, then the summary
  EXPECT_EQ(rows[25].rfind("Best score ", 0), 0u);
  ExpectStoppedAndSaved(folder, rows);
}

INSTANTIATE_TEST_SUITE_P(Signals, FaultStopTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& c) { return std::string(sigabbrev_np(c.param)); });

TEST(FaultTerminalTest, CtrlCLeavesTheTerminalAsItFoundIt) {
  Tmux tmux;
  if (tmux("new-session -d -x 100 -y 40 \"PS1='$ ' sh\" 2>/dev/null && echo ok") != "ok\n") {
    GTEST_SKIP() << "tmux is not installed or cannot start here";
  }
  TempFolder folder;
  WriteInstance(folder.path(), 300, 6, false);
  auto cursor = [&] { return tmux("display-message -p '#{cursor_flag} #{cursor_x} #{cursor_y}'"); };
  ASSERT_TRUE(WaitUntil([&] { return cursor() == "1 2 0\n"; }, milliseconds(5000))) << "no prompt";
  tmux("send-keys -l 'QM_TEST_FIRST_SAVE_MS=0 " QM_PROGRAM_PATH " --folder " + folder.path() +
       " --no-pause; echo exit=$?' \\; send-keys Enter");
  ASSERT_TRUE(WaitUntil([&] { return cursor()[0] == '0'; }, milliseconds(10000))) << "cursor shown";
  ASSERT_TRUE(WaitUntil([&] { return Saved(folder); }, milliseconds(30000)));
  tmux("send-keys C-c");
  std::vector<std::string> rows;
  // Below the screen: the five summary lines, the exit code, the prompt.
  auto prompt_below = [&] {
    return (rows = Lines(tmux("capture-pane -p"))).size() > 31 && rows[31] == "$";
  };
  ASSERT_TRUE(WaitUntil(prompt_below, milliseconds(20000))) << testing::PrintToString(rows);
  EXPECT_EQ(rows[25].rfind("Best score ", 0), 0u);
  EXPECT_EQ(rows[30], "exit=130");
  EXPECT_EQ(cursor(), "1 2 31\n");
  const std::vector<std::string> coloured = Lines(tmux("capture-pane -p -e"));
  for (size_t row = 25; row <= 31; ++row) {  // nothing but resets to the default colours
    EXPECT_EQ(std::regex_replace(coloured.at(row), std::regex("\x1b\\[(0|39|49|;)*m"), ""),
              rows[row]);
  }
  ExpectStoppedAndSaved(folder, rows);
}

// A crash or an abort ends the program at once, but not before the terminal is handed back:
// the cursor shown, and what the user types echoed again.
class FaultCrashTest : public ::testing::TestWithParam<int> {};

TEST_P(FaultCrashTest, LeavesTheTerminalUsable) {
  Tmux tmux;
  if (tmux("new-session -d -x 100 -y 30 \"PS1='$ ' sh\" 2>/dev/null && echo ok") != "ok\n") {
    GTEST_SKIP() << "tmux is not installed or cannot start here";
  }
  TempFolder folder;
  WriteInstance(folder.path(), 300, 7, false);
  auto cursor = [&] { return tmux("display-message -p '#{cursor_flag}'"); };
  tmux("send-keys -l 'QM_TEST_FIRST_SAVE_MS=0 " QM_PROGRAM_PATH " --folder " + folder.path() +
       " --no-pause; echo exit=$?' \\; send-keys Enter");
  ASSERT_TRUE(WaitUntil([&] { return cursor() == "0\n"; }, milliseconds(10000))) << "cursor shown";
  ASSERT_TRUE(WaitUntil([&] { return Saved(folder); }, milliseconds(30000)));
  // "[-]" keeps the pattern from matching the shell that runs pgrep.
  const std::string pid = Shell("pgrep -n -f -- '[-]-folder " + folder.path() + "'");
  ASSERT_FALSE(pid.empty());
  Shell("kill -" + std::to_string(GetParam()) + " " + pid);
  const std::string ended = "exit=" + std::to_string(128 + GetParam());
  std::vector<std::string> rows;
  auto has_row = [&](const std::string& text) {
    return WaitUntil(
        [&] {
          rows = Lines(tmux("capture-pane -p"));
          return std::find(rows.begin(), rows.end(), text) != rows.end();
        },
        milliseconds(20000));
  };
  ASSERT_TRUE(has_row(ended)) << testing::PrintToString(rows);
  EXPECT_EQ(cursor(), "1\n");
  tmux("send-keys -l 'echo typed' \\; send-keys Enter");
  EXPECT_TRUE(has_row("$ echo typed"))
      << "the command was not echoed: " << testing::PrintToString(rows);
}

INSTANTIATE_TEST_SUITE_P(Signals, FaultCrashTest, ::testing::Values(SIGSEGV, SIGABRT),
                         [](const auto& c) { return std::string(sigabbrev_np(c.param)); });

}  // namespace
}  // namespace quorvale::test
