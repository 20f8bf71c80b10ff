// The run sequence through RunProgram on an in-memory screen, a fake clock and real files in
// temporary folders: set-up mode, the folder lookup, failures that stop before any computing,
// and whole runs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <tuple>

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
  int Run(std::optional<std::string> folder = std::nullopt) {
    Options options;
    options.folder = std::move(folder);
    options.seed = 5;
    screen_ = Screen();
    const auto current = [this] { return std::optional<std::string>(current_.path()); };
    ProgramEnvironment env{
        screen_, clock_, pauser_, installed_.path(), current, [] { return 1234u; }, &stop_};
    const int code = RunProgram(options, env);
    summary_ = env.summary;
    return code;
  }
  std::string Row(int row, size_t length) { return screen_.RowText(row).substr(0, length); }

  Screen screen_;
  std::vector<std::string> summary_;
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
  EXPECT_EQ(pauser_.slept_ms, 0);
  EXPECT_EQ(Row(2, 46), " Welcome to Quorvalemixer.exe:  Set-up Mode:  ");
  const std::pair<int, std::string> rows[] = {
      {5, " (1) Quorvalemixer has"}, {7, "     Directory Path,"}, {10, " (2) If you have"},
      {12, "     adjust the"},       {14, "      (a) 'Right"},    {16, "      (b) Select"},
      {18, "      (c) Select"},      {20, "      (d) If asked"},  {23, " When you have done"}};
  for (const auto& [row, start] : rows) EXPECT_EQ(Row(row, start.size()), start) << row;
  EXPECT_EQ(summary_, (std::vector<std::string>{"Folder: " + current_.path(),
                                                "Wrote:  " + current_.PathOf("Where-am-I.txt")}));
}

TEST_F(DriverTest, InstalledFolderWinsAndARunEndsWithTheCountdown) {
  installed_.WriteFile("parameters.txt", test::kExampleParameters);
  installed_.WriteFile("data.txt", test::kExampleData);
  current_.WriteFile("parameters.txt", "garbage");
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_TRUE(Exists(installed_.PathOf("results.txt")));
  EXPECT_EQ(Row(2, 42), std::string(27, ' ') + "QUORVALE-MIXER ");
  EXPECT_EQ(Row(4, 58), std::string(40, ' ') + "Release: July 2011");
  EXPECT_EQ(screen_.TextAt(1, 8, 20), "<Target Score>: 0.50");
  EXPECT_EQ(pauser_.slept_ms, 5000);
  EXPECT_EQ(Row(23, 99),
            " Search Time =  0 mins:  0 secs." + std::string(48, ' ') + "Pause... 1 seconds.");
}

TEST_F(DriverTest, LeftoversOfAnInterruptedSaveAreRemovedAtTheStart) {
  current_.WriteFile("parameters.txt", test::kExampleParameters);
  current_.WriteFile("data.txt", test::kExampleData);
  const char* leftovers[] = {"results.txt.Ab3x9Z", "results.txt.000000", "report.html.Q1w2E3"};
  const char* others[] = {"results.txt.Ab3x9", "results.txt.Ab3x9Z0",   "results.txt.Ab-x9Z",
                          "data.txt.Ab3x9Z",   "parameters.txt.Ab3x9Z", "results.txt"};
  for (const char* name : leftovers) current_.WriteFile(name, "1 \t");
  for (const char* name : others) current_.WriteFile(name, "kept");
  EXPECT_EQ(Run(current_.path()), kExitOk);
  for (const char* name : leftovers) EXPECT_FALSE(Exists(current_.PathOf(name))) << name;
  for (const char* name : others) EXPECT_TRUE(Exists(current_.PathOf(name))) << name;
}

TEST_F(DriverTest, BadInputStopsBeforeAnyComputing) {
  // A pair's total of 32768, refused by the matrix; short parameters; no data file. The message
  // starts on row 8 ('%' is the folder).
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"4 4 1 2 1 1 1 0", "0 0 32000 768  1 1 1 1  2 1 1 1  3 2 0 0  4 2 0 0",
       " Persons 1 and 2 share categories whose weights add up to 32768,"},
      {"6 4 1 2 2 3 2", "", " %/parameters.txt ends after 7 values, but 8 are needed;"},
      {test::kExampleParameters.data(), "", " Sorry. Unable to open %/data.txt "}};
  for (auto [parameters, data, message] : cases) {
    test::TempFolder folder;
    folder.WriteFile("parameters.txt", parameters);
    if (!data.empty()) folder.WriteFile("data.txt", data);
    EXPECT_EQ(Run(folder.path()), kExitFailure) << message;
    if (const size_t at = message.find('%'); at != std::string::npos) {
      message.replace(at, 1, folder.path());
    }
    EXPECT_EQ(Row(8, message.size()), message);
    EXPECT_FALSE(Exists(folder.PathOf("results.txt"))) << message;
  }
}

TEST_F(DriverTest, AStopBeforeTheSearchExitsWithTheSignal) {
  current_.WriteFile("parameters.txt", test::kExampleParameters);
  current_.WriteFile("data.txt", test::kExampleData);
  stop_ = 2;
  EXPECT_EQ(Run(current_.path()), kExitSignalBase + 2);
  EXPECT_FALSE(Exists(current_.PathOf("results.txt")));
}

}  // namespace
}  // namespace quorvale
