// The program in a real terminal (tmux), as a user sees it: a small pane gets a live status line
// and a resize brings the whole screen; Ctrl+C saves the best grouping so far and leaves the
// terminal as it found it; TERM=dumb and NO_COLOR=1 get no colours; a crash leaves the terminal
// usable. And without a terminal, SIGINT, SIGTERM and SIGHUP save the best so far and exit with
// 128 plus the signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/results_checker.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

const std::regex kColour("\x1b\\[[0-9;]*m");

// The screen's stop notice names the saved file, which passes the results check.
void ExpectStoppedAndSaved(const TempFolder& folder, const std::vector<std::string>& rows) {
  EXPECT_EQ(rows.at(15), " Search stopped: the best grouping found so far is saved in " +
                             folder.PathOf("results.txt"));
  ResultsSummary summary;
  EXPECT_EQ(CheckResultsFolder(folder.path(), &summary), "");
  EXPECT_EQ(summary.TargetStatus, 1);
}

class TerminalTmuxTest : public ::testing::Test {
 protected:
  // A shell in a pane of `columns` x `rows` whose every byte of output is kept in "pane.log",
  // with its title set to "shell title".
  void StartShell(int columns, int rows) {
    if (tmux_("new-session -d -x " + std::to_string(columns) + " -y " + std::to_string(rows) +
              " \"PS1='$ ' sh\" 2>/dev/null && echo ok") != "ok\n") {
      GTEST_SKIP() << "tmux is not installed or cannot start here";
    }
    tmux_("send-keys -l \"printf '\\033]2;shell title\\007'\" \\; send-keys Enter");
    ASSERT_TRUE(WaitUntil([&] { return Title() == "shell title\n"; }, milliseconds(5000)));
    tmux_("pipe-pane -o 'cat >> " + folder_.PathOf("pane.log") + "'");
  }
  // Types the program's command line (with interim saving from the start when `save_early`),
  // followed by "; echo exit=$?".
  void TypeProgram(const std::string& before = "", bool save_early = false) {
    tmux_("send-keys -l '" + before + (save_early ? "QM_TEST_FIRST_SAVE_MS=0 " : "") +
          QM_PROGRAM_PATH + " --no-pause --folder " + work_ +
          "; echo exit=$?' \\; send-keys Enter");
  }
  std::string Title() { return tmux_("display-message -p '#{pane_title}'"); }
  std::string Cursor() { return tmux_("display-message -p '#{cursor_flag} #{cursor_y}'"); }
  std::vector<std::string> Pane() { return Lines(tmux_("capture-pane -p")); }
  bool Saved() { return !ReadWholeFile(folder_.PathOf("results.txt")).empty(); }
  // Waits for a line of the pane that `pattern` matches in whole, and returns it.
  std::string WaitForLine(const std::string& pattern) {
    const std::regex line_pattern(pattern);
    std::string found;
    WaitUntil(
        [&] {
          for (const std::string& line : Pane()) {
            if (std::regex_match(line, line_pattern)) found = line;
          }
          return !found.empty();
        },
        milliseconds(30000));
    return found;
  }
  // The typed command may wrap so that its "exit=$?" starts a line, hence the digits.
  std::string WaitForExit() { return WaitForLine("exit=[0-9]+"); }
  // The pane's bytes reach the log through a pipe that may lag behind the pane itself.
  std::string LogWith(const std::string& text) {
    std::string log;
    WaitUntil(
        [&] {
          return (log = ReadWholeFile(folder_.PathOf("pane.log"))).find(text) != std::string::npos;
        },
        milliseconds(10000));
    return log;
  }

  Tmux tmux_;
  TempFolder folder_;
  std::string work_ = folder_.path();
};

TEST_F(TerminalTmuxTest, SmallPaneShowsALiveStatusAResizeTheWholeScreenAndCtrlCRestoresIt) {
  StartShell(80, 24);
  if (IsSkipped() || HasFatalFailure()) return;
  WriteInstance(work_, 300, 8, false);  // searches until stopped
  TypeProgram("", true);
  const std::regex status(R"(Best -?\d+\.\d\d  Current -?\d+\.\d\d  Target -?\d+\.\d\d  Cycle )"
                          R"((\d+) of \d+  0:\d\d)");
  std::vector<std::string> pane;
  std::smatch cycle;
  const auto shows_status = [&](std::smatch& match) {
    pane = Pane();
    return pane.size() >= 4 && std::regex_match(pane[3], match, status);
  };
  // Interim saving starts at once, and its notice follows the status line.
  const std::string notice = "Interim (Best-So-Far) Results-Saving is now ON.  Stop search,";
  ASSERT_TRUE(WaitUntil([&] { return shows_status(cycle) && pane.size() > 5 && pane[4] == notice; },
                        milliseconds(30000)))
      << testing::PrintToString(pane);
  EXPECT_EQ(pane[2], "Searching...");
  for (size_t row = 6; row < pane.size(); ++row) EXPECT_EQ(pane[row], "") << row;
  EXPECT_EQ(Title(), "Welcome to Quorvalemixer.exe\n");
  EXPECT_EQ(Cursor()[0], '0') << "the cursor is hidden";
  // Redrawn in place as the search goes on.
  const std::string first_cycle = cycle[1].str();  // before `pane` changes under the match
  std::smatch later;
  EXPECT_TRUE(WaitUntil([&] { return shows_status(later) && later[1] != first_cycle; },
                        milliseconds(5000)));

  tmux_("resize-window -x 100 -y 40");
  const auto whole = [&] {
    pane = Pane();
    return pane.size() >= 25 && pane[8].find(" Scrambler Cycles: ") == 67 &&
           pane[10].rfind(" <", 0) == 0;
  };
  ASSERT_TRUE(WaitUntil(whole, milliseconds(5000))) << testing::PrintToString(pane);
  EXPECT_EQ(pane[2], std::string(27, ' ') + "QUORVALE-MIXER     by      BRELLOCK");
  EXPECT_EQ(pane[8].substr(0, 63), " <Target Score>: " + pane[8].substr(17, 11) +
                                       "<Best-So-Far>: " + pane[8].substr(43, 11) + "<Current>");
  EXPECT_EQ(pane[23].substr(0, 15), " Search Time = ");

  ASSERT_TRUE(WaitUntil([&] { return Saved(); }, milliseconds(30000)));
  tmux_("send-keys C-c");
  // Below the screen: the five summary lines, the exit code, the prompt with the cursor shown.
  ASSERT_TRUE(WaitUntil([&] { return (pane = Pane()).size() > 31 && pane[31] == "$"; },
                        milliseconds(20000)))
      << testing::PrintToString(pane);
  EXPECT_EQ(pane[25].rfind("Best score ", 0), 0u);
  EXPECT_EQ(pane[30], "exit=130");
  EXPECT_EQ(Cursor(), "1 31\n");
  const std::vector<std::string> coloured = Lines(tmux_("capture-pane -p -e"));
  for (size_t row = 25; row <= 31; ++row) {  // nothing but resets to the default colours
    EXPECT_EQ(std::regex_replace(coloured.at(row), std::regex("\x1b\\[(0|39|49|;)*m"), ""),
              pane[row]);
  }
  ExpectStoppedAndSaved(folder_, pane);
  EXPECT_EQ(Title(), "shell title\n");
}

TEST_F(TerminalTmuxTest, DumbTerminalAndNoColourSendNoColours) {
  StartShell(100, 40);
  if (IsSkipped() || HasFatalFailure()) return;
  WriteInstance(work_, 60, 5, true);
  TypeProgram("TERM=dumb ");
  EXPECT_EQ(WaitForExit(), "exit=0");
  std::string log = LogWith("exit=0");
  EXPECT_EQ(log.find("\x1b["), std::string::npos) << "TERM=dumb: no escape sequences at all";
  EXPECT_NE(log.find(" <Target Score>: "), std::string::npos);

  tmux_("send-keys -l clear \\; send-keys Enter");
  TypeProgram("NO_COLOR=1 ");
  ASSERT_TRUE(
      WaitUntil([&] { return Pane().size() > 31 && Pane()[30] == "exit=0"; }, milliseconds(30000)))
      << testing::PrintToString(Pane());
  log = LogWith("\x1b[23;0t");
  EXPECT_FALSE(std::regex_search(log, kColour)) << "NO_COLOR: no colour attributes";
  EXPECT_NE(log.find("\x1b[22;0t"), std::string::npos) << "the title is saved";
  EXPECT_EQ(Pane()[8].substr(0, 16), " <Target Score>:");  // the same layout
  EXPECT_EQ(Title(), "shell title\n");
}

// A crash or an abort ends the program at once, but not before the terminal is handed back:
// the cursor shown, and what the user types echoed again.
class FaultCrashTest : public TerminalTmuxTest, public ::testing::WithParamInterface<int> {};

TEST_P(FaultCrashTest, LeavesTheTerminalUsable) {
  StartShell(100, 30);
  if (IsSkipped() || HasFatalFailure()) return;
  WriteInstance(work_, 300, 7, false);
  TypeProgram("", true);
  ASSERT_TRUE(WaitUntil([&] { return Cursor()[0] == '0'; }, milliseconds(10000))) << "cursor shown";
  ASSERT_TRUE(WaitUntil([&] { return Saved(); }, milliseconds(30000)));
  // "[-]" keeps the pattern from matching the shell that runs pgrep.
  const std::string pid = Shell("pgrep -n -f -- '[-]-folder " + work_ + "'");
  ASSERT_FALSE(pid.empty());
  Shell("kill -" + std::to_string(GetParam()) + " " + pid);
  EXPECT_EQ(WaitForExit(), "exit=" + std::to_string(128 + GetParam()));
  EXPECT_EQ(Cursor()[0], '1');
  tmux_("send-keys -l 'echo typed' \\; send-keys Enter");
  EXPECT_EQ(WaitForLine("[$] echo typed"), "$ echo typed") << "the command was not echoed";
}

INSTANTIATE_TEST_SUITE_P(Signals, FaultCrashTest, ::testing::Values(SIGSEGV, SIGABRT),
                         [](const auto& c) { return std::string(sigabbrev_np(c.param)); });

class FaultStopTest : public ::testing::TestWithParam<int> {};

TEST_P(FaultStopTest, SavesTheBestSoFarAndExitsWith128PlusTheSignal) {
  TempFolder folder;
  WriteInstance(folder.path(), 300, 5, false);
  Child child(folder.path(), {folder.PathOf("screen"), false, 0});
  ASSERT_TRUE(WaitUntil([&] { return !ReadWholeFile(folder.PathOf("results.txt")).empty(); },
                        milliseconds(30000)));
  child.Signal(GetParam());
  EXPECT_EQ(child.Wait(milliseconds(20000)), 128 + GetParam());
  const std::vector<std::string> rows = Lines(ReadWholeFile(folder.PathOf("screen")));
  ASSERT_EQ(rows.size(), 30u);  // the screen, then the summary
  EXPECT_EQ(rows[25].rfind("Best score ", 0), 0u);
  ExpectStoppedAndSaved(folder, rows);
}

INSTANTIATE_TEST_SUITE_P(Signals, FaultStopTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& c) { return std::string(sigabbrev_np(c.param)); });

}  // namespace
}  // namespace quorvale::test
