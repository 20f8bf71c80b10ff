// The run sequence through RunProgram on an in-memory screen, a fake clock and real files in
// temporary folders: set-up mode, the folder lookup, failures that stop before any computing,
// and whole runs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "app/driver.h"
#include "console/screen.h"
#include "tests/support/fakes.h"
#include "tests/support/problem_text.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

class DriverTest : public ::testing::Test {
 protected:
  int Run(Options options = {}) {
    ProgramEnvironment env{screen_,
                           clock_,
                           pauser_,
                           installed_.path(),
                           [this] { return std::optional<std::string>(current_.path()); },
                           [] { return 1234u; },
                           &stop_};
    return RunProgram(options, env);
  }
  Options InFolder(const test::TempFolder& folder) {
    Options options;
    options.folder = folder.path();
    options.seed = 5;
    return options;
  }
  void WriteExample(const test::TempFolder& folder) {
    folder.WriteFile("parameters.txt", test::kExampleParameters);
    folder.WriteFile("data.txt", test::kExampleData);
  }
  void ExpectCountdown() {
    EXPECT_EQ(pauser_.slept_ms, 5000);
    EXPECT_EQ(screen_.RowText(23).substr(0, 33), " Search Time =  0 mins:  0 secs. ");
    EXPECT_EQ(screen_.RowText(23).substr(80, 19), "Pause... 1 seconds.");
  }

  Screen screen_;
  test::FakeClock clock_;
  test::InstantPauser pauser_;
  test::TempFolder installed_;
  test::TempFolder current_;
  std::atomic<int> stop_{0};
};

TEST_F(DriverTest, SetUpModeWhenNoFolderHasParameters) {
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_EQ(test::ReadWholeFile(current_.PathOf("Where-am-I.txt")), current_.path());
  EXPECT_EQ(pauser_.keys, 1);
  EXPECT_EQ(pauser_.slept_ms, 0);  // no countdown
  const std::string welcome = " Welcome to Quorvalemixer.exe:  Set-up Mode:";
  EXPECT_EQ(screen_.RowText(2).substr(0, welcome.size() + 1), welcome + " ");
  const std::pair<int, std::string> rows[] = {
      {5, " (1) Quorvalemixer has now created"},
      {7, "     Directory Path, and has saved"},
      {10, " (2) If you have not previously"},
      {12, "     adjust the color balance"},
      {14, "      (a) 'Right click' on the"},
      {16, "      (b) Select 'Properties'"},
      {18, "      (c) Select 'Screen Background'"},
      {20, "      (d) If asked, select"},
      {23, " When you have done this, please press the space bar (to close)..."}};
  for (const auto& [row, start] : rows) {
    EXPECT_EQ(screen_.RowText(row).substr(0, start.size()), start) << "row " << row;
  }
  EXPECT_EQ(screen_.title(), "Welcome to Quorvalemixer.exe");
  EXPECT_EQ(screen_.RowText(4).find("QUORVALE"), std::string::npos);  // no banner
}

TEST_F(DriverTest, UnwritableWhereAmIFileFails) {
  mkdir(current_.PathOf("Where-am-I.txt").c_str(), 0755);  // a folder stands in its way
  EXPECT_EQ(Run(), kExitFailure);
  EXPECT_NE(screen_.PlainText().find("Sorry. Unable to write " + current_.PathOf("Where-am-I.txt")),
            std::string::npos);
}

TEST_F(DriverTest, InstalledFolderWinsOverTheCurrentOne) {
  WriteExample(installed_);
  current_.WriteFile("parameters.txt", "garbage");
  Options options;
  options.seed = 1;
  EXPECT_EQ(Run(options), kExitOk);
  EXPECT_TRUE(Exists(installed_.PathOf("results.txt")));
  EXPECT_FALSE(Exists(current_.PathOf("results.txt")));
  const std::string banner = std::string(27, ' ') + "QUORVALE-MIXER     by      BRELLOCK";
  EXPECT_EQ(screen_.RowText(2).substr(0, banner.size() + 1), banner + " ");
  EXPECT_EQ(screen_.RowText(4).substr(40, 18), "Release: July 2011");
  EXPECT_EQ(screen_.TextAt(1, 8, 20), "<Target Score>: 0.50");
  ExpectCountdown();
}

TEST_F(DriverTest, CurrentFolderServesWhenNothingIsInstalled) {
  WriteExample(current_);
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_TRUE(Exists(current_.PathOf("results.txt")));
}

TEST_F(DriverTest, MissingDataFileIsReportedWithItsFullPath) {
  test::TempFolder folder;
  folder.WriteFile("parameters.txt", test::kExampleParameters);
  EXPECT_EQ(Run(InFolder(folder)), kExitFailure);
  const std::string message = " Sorry. Unable to open " + folder.PathOf("data.txt");
  EXPECT_EQ(screen_.RowText(8).substr(0, message.size() + 1), message + " ");
  EXPECT_EQ(screen_.RowText(6).substr(0, 36), " Reading Parameter and Data Files...");
  ExpectCountdown();
  EXPECT_FALSE(Exists(folder.PathOf("results.txt")));
}

TEST_F(DriverTest, BadInputStopsBeforeAnyComputing) {
  const std::pair<std::string, std::string> cases[] = {
      {"6 4 1 2 2 3 2 1", "0 0 100 50  1 1 1 2  2 1 2.5 1"},  // not a whole number
      {"6 4 1 2 2 3 2 1", "0 0 100 50  1 1 1 2"},             // short file
      {"6 4 1 2 2 3 2", ""},                                  // short parameters
      {"6 4 1 2 2 3 2 1", "0 0 100 50  1 1 9 2 2 1 1 1 3 2 2 1 4 2 2 2 5 1 3 0 6 2 3 2"},
      {"4 4 1 2 1 1 1 0", "0 0 32000 768  1 1 1 1  2 1 1 1  3 2 0 0  4 2 0 0"},  // total 32768
  };
  for (const auto& [parameters, data] : cases) {
    test::TempFolder folder;
    folder.WriteFile("parameters.txt", parameters);
    folder.WriteFile("data.txt", data);
    Screen fresh;
    std::swap(screen_, fresh);
    EXPECT_EQ(Run(InFolder(folder)), kExitFailure) << data;
    EXPECT_NE(screen_.RowText(8).substr(0, 2), "  ") << "no message for " << data;
    EXPECT_EQ(screen_.At(1, 8).attribute, kWhiteOnGreen);
    EXPECT_FALSE(Exists(folder.PathOf("results.txt"))) << data;
  }
}

TEST_F(DriverTest, WholeRunWritesResultsAndRepeatsWithTheSameSeed) {
  test::TempFolder folder;
  folder.WriteFile("parameters.txt", "30 5 1 3 2 2 2 1");
  std::string data = "0 0 100 -50 30\n";
  for (int p = 1; p <= 30; ++p) {
    data += std::to_string(p) + " " + std::to_string(1 + p % 2) + " " + std::to_string(1 + p % 4) +
            " " + std::to_string(1 + p % 3) + " " + std::to_string(p % 5) + "\n";
  }
  folder.WriteFile("data.txt", data);
  ASSERT_EQ(Run(InFolder(folder)), kExitOk);
  const std::string first = test::ReadWholeFile(folder.PathOf("results.txt"));
  ASSERT_EQ(Run(InFolder(folder)), kExitOk);
  EXPECT_EQ(test::ReadWholeFile(folder.PathOf("results.txt")), first);
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 33);
  const std::string plain = screen_.PlainText();
  EXPECT_TRUE(plain.find("Search completed: But Target Score not reached") != std::string::npos ||
              plain.find("SUCCESS !! Target Score achieved & search terminated") !=
                  std::string::npos);
}

TEST_F(DriverTest, AStopDuringTheRunSavesAndExitsWithTheSignal) {
  test::TempFolder folder;
  WriteExample(folder);
  stop_ = 2;
  EXPECT_EQ(Run(InFolder(folder)), kExitSignalBase + 2);
  // Stopped before the search: nothing computed, so nothing to save.
  EXPECT_FALSE(Exists(folder.PathOf("results.txt")));
  EXPECT_EQ(pauser_.slept_ms, 0);
}

TEST(JoinPathTest, JoinsWithOneSlash) {
  EXPECT_EQ(JoinPath("/opt/quorvale", "data.txt"), "/opt/quorvale/data.txt");
  EXPECT_EQ(JoinPath("/", "data.txt"), "/data.txt");
  EXPECT_EQ(JoinPath("dir/", "data.txt"), "dir/data.txt");
}

}  // namespace
}  // namespace quorvale
