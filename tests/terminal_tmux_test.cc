// The program in a real terminal (tmux) of other sizes and kinds, as a user sees it: a small
// pane gets a live status line and a summary, a resize brings the whole screen, TERM=dumb and
// NO_COLOR=1 get no colours, and the window title is put back.
#include <gtest/gtest.h>

#include <regex>

#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

const std::regex kColour("\x1b\\[[0-9;]*m");

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
  // Types `command` followed by "; echo exit=$?".
  void Type(const std::string& command) {
    tmux_("send-keys -l '" + command + "; echo exit=$?' \\; send-keys Enter");
  }
  std::string Title() { return tmux_("display-message -p '#{pane_title}'"); }
  std::vector<std::string> Pane() { return Lines(tmux_("capture-pane -p")); }
  // Waits for the line "exit=N" and returns it. The typed command itself may wrap so that its
  // "exit=$?" starts a line, hence the digits.
  std::string WaitForExit() {
    static const std::regex kExitLine("exit=[0-9]+");
    std::string found;
    WaitUntil(
        [&] {
          for (const std::string& line : Pane()) {
            if (std::regex_match(line, kExitLine)) found = line;
          }
          return !found.empty();
        },
        milliseconds(30000));
    return found;
  }
  std::string Program() { return std::string(QM_PROGRAM_PATH) + " --no-pause --folder " + work_; }

  Tmux tmux_;
  TempFolder folder_;
  std::string work_ = folder_.path();
};

TEST_F(TerminalTmuxTest, SmallPaneShowsALiveStatusAndAResizeShowsTheWholeScreen) {
  StartShell(80, 24);
  if (IsSkipped() || HasFatalFailure()) return;
  WriteInstance(work_, 300, 8, false);  // searches until stopped
  Type(Program());
  const std::regex status(R"(Best -?\d+\.\d\d  Current -?\d+\.\d\d  Target -?\d+\.\d\d  Cycle )"
                          R"((\d+) of \d+  0:\d\d)");
  std::vector<std::string> pane;
  std::smatch cycle;
  const auto shows_status = [&](std::smatch& match) {
    pane = Pane();
    return pane.size() >= 4 && std::regex_match(pane[3], match, status);
  };
  ASSERT_TRUE(WaitUntil([&] { return shows_status(cycle); }, milliseconds(10000)))
      << testing::PrintToString(pane);
  EXPECT_EQ(pane[2], "Searching...");
  for (size_t row = 4; row < pane.size(); ++row) EXPECT_EQ(pane[row], "") << row;
  EXPECT_EQ(Title(), "Welcome to Quorvalemixer.exe\n");
  // Redrawn in place as the search goes on.
  const std::string first_cycle = cycle[1].str();  // before `pane` changes under the match
  std::smatch later;
  EXPECT_TRUE(WaitUntil([&] { return shows_status(later) && later[1] != first_cycle; },
                        milliseconds(5000)));

  tmux_("resize-window -x 100 -y 25");
  const auto whole = [&] {
    pane = Pane();
    return pane.size() == 25 && pane[8].find(" Scrambler Cycles: ") == 67 &&
           pane[10].rfind(" <", 0) == 0;
  };
  ASSERT_TRUE(WaitUntil(whole, milliseconds(5000))) << testing::PrintToString(pane);
  EXPECT_EQ(pane[2], std::string(27, ' ') + "QUORVALE-MIXER     by      BRELLOCK");
  EXPECT_EQ(pane[8].substr(0, 63), " <Target Score>: " + pane[8].substr(17, 11) +
                                       "<Best-So-Far>: " + pane[8].substr(43, 11) + "<Current>");
  EXPECT_EQ(pane[23].substr(0, 15), " Search Time = ");

  tmux_("send-keys C-c");
  EXPECT_EQ(WaitForExit(), "exit=130");
  EXPECT_EQ(Title(), "shell title\n");
}

TEST_F(TerminalTmuxTest, SmallPaneEndsWithTheScreensKeyLines) {
  StartShell(80, 24);
  if (IsSkipped() || HasFatalFailure()) return;
  WriteInstance(work_, 60, 4, true);
  Type(Program());
  EXPECT_EQ(WaitForExit(), "exit=0");
  // The key lines, wrapped to the pane, in the screen's order, and the prompt after them.
  const std::vector<std::string> pane = Pane();
  std::string text;
  for (const std::string& line : pane) {
    EXPECT_LT(line.size(), 80u) << line;
    text += line + "\n";
  }
  const std::regex summary(
      "QUORVALE-MIXER  by  BRELLOCK\nRelease: July 2011\nSearching...\n"
      "<Target Score>: [-0-9.]+  <Best-So-Far>: [-0-9.]+  <Current>  Scrambler Cycles: 3 of\n3\n"
      "<[-0-9]+>[.]*<[-0-9]+>[.]*<[-0-9]+>\n"
      "(Search completed: But Target Score not reached|SUCCESS !! Target Score achieved & search "
      "terminated)\nSearch Time =  0 mins:  [0-9] secs[.]\n"
      "Best score [^\n]*\nTarget Score [^\n]*\nFolder: [^\n]*\nWrote: [^\n]*\n[^\n]*\n"
      "exit=0\n[$] ?\n*");
  EXPECT_TRUE(std::regex_match(text, summary)) << text;
  EXPECT_EQ(Title(), "shell title\n");
}

TEST_F(TerminalTmuxTest, DumbTerminalAndNoColourSendNoColours) {
  StartShell(100, 40);
  if (IsSkipped() || HasFatalFailure()) return;
  WriteInstance(work_, 60, 5, true);
  Type("TERM=dumb " + Program());
  EXPECT_EQ(WaitForExit(), "exit=0");
  // The pane's bytes reach the log through a pipe that may lag behind the pane itself.
  std::string log;
  WaitUntil(
      [&] {
        return (log = ReadWholeFile(folder_.PathOf("pane.log"))).find("exit=0") !=
               std::string::npos;
      },
      milliseconds(10000));
  EXPECT_EQ(log.find("\x1b["), std::string::npos) << "TERM=dumb: no escape sequences at all";
  EXPECT_NE(log.find(" <Target Score>: "), std::string::npos);

  tmux_("send-keys -l clear \\; send-keys Enter");
  Type("NO_COLOR=1 " + Program());
  ASSERT_TRUE(
      WaitUntil([&] { return Pane().size() > 31 && Pane()[30] == "exit=0"; }, milliseconds(30000)))
      << testing::PrintToString(Pane());
  WaitUntil(
      [&] {
        return (log = ReadWholeFile(folder_.PathOf("pane.log"))).find("\x1b[23;0t") !=
               std::string::npos;
      },
      milliseconds(10000));
  EXPECT_FALSE(std::regex_search(log, kColour)) << "NO_COLOR: no colour attributes";
  EXPECT_NE(log.find("\x1b[22;0t"), std::string::npos) << "the title is saved";
  EXPECT_EQ(Pane()[8].substr(0, 16), " <Target Score>:");  // the same layout
  EXPECT_EQ(Title(), "shell title\n");
}

}  // namespace
}  // namespace quorvale::test
