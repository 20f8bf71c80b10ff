// Saving into a place that refuses the results: a read-only "results.txt", a read-only folder
// and a full disk. The screen says what failed, an existing file is left as it was, a failed
// final save ends the program with exit code 1, and a failed interim save is tried again while
// the search goes on. A folder another run holds is not saved into at all.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/results_checker.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

constexpr const char* kKept = "an older results file\n";

// A quick search whose final save fails; rows 15 and 16 must say why.
class FinalSaveTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FinalSaveTest, IsReportedAndEndsWithExitCodeOne) {
  TempFolder folder, output;
  const std::string results = folder.PathOf("results.txt");
  std::string reason = "cannot write " + results + ": No space left on device.";
  if (GetParam() == "FullDisk" &&
      Shell("mount -t tmpfs -o size=256k tmpfs " + folder.path() + " 2>&1 && echo ok") != "ok\n") {
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  }
  WriteInstance(folder.path(), 40, 1, true);
  if (GetParam() == "ReadOnlyFile") {
    ASSERT_EQ(::chmod(folder.WriteFile("results.txt", kKept).c_str(), 0444), 0);
    reason = results + " is read-only; it was left as it is.";
  } else if (GetParam() == "ReadOnlyFolder") {
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    reason = "cannot create a file in " + folder.path() + ": Permission denied.";
  } else {
    std::ofstream filler(folder.PathOf("filler"));
    while (filler << std::string(4096, 'x')) continue;  // until the disk is full
  }
  // Root may write anywhere, so it runs the program as nobody.
  const bool as_nobody = GetParam() == "ReadOnlyFolder" && ::geteuid() == 0;
  const int status = RunToEnd(folder.path(), {output.PathOf("screen"), as_nobody});
  if (status == 126 || status == 127) GTEST_SKIP() << "user nobody cannot run " QM_PROGRAM_PATH;
  EXPECT_EQ(status, 1);
  const std::vector<std::string> rows = Lines(ReadWholeFile(output.PathOf("screen")));
  EXPECT_EQ(rows.at(15) + (rows.at(16).empty() ? "" : " " + rows[16].substr(1)),
            " Could not save the results: " + reason);
  EXPECT_EQ(ReadWholeFile(results), GetParam() == "ReadOnlyFile" ? kKept : "");
  ::chmod(folder.path().c_str(), 0700);  // nothing between the mount and here returns early
  Shell("umount " + folder.path() + " 2>/dev/null");
}

INSTANTIATE_TEST_SUITE_P(Faults, FinalSaveTest,
                         ::testing::Values("ReadOnlyFile", "ReadOnlyFolder", "FullDisk"),
                         [](const auto& c) { return c.param; });

TEST(FaultSaveTest, AFailedInterimSaveIsRetriedWhileTheSearchGoesOn) {
  TempFolder folder;
  WriteInstance(folder.path(), 300, 9, false);
  const std::string results = folder.WriteFile("results.txt", kKept);
  ASSERT_EQ(::chmod(results.c_str(), 0444), 0);
  // Interim saving may begin at once; by the time the search has used a third of a second of
  // processor time, many passes have ended and each has tried to save.
  Child child(folder.path(), {folder.PathOf("screen"), false, 0});
  ASSERT_TRUE(WaitUntil([&] { return child.CpuTime() >= milliseconds(300); }, milliseconds(30000)));
  ASSERT_TRUE(child.Running());
  EXPECT_EQ(ReadWholeFile(results), kKept);
  ASSERT_EQ(::chmod(results.c_str(), 0644), 0);
  EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(results) != kKept; }, milliseconds(15000)))
      << "the save was not tried again once the file could be written";
  child.Signal(SIGINT);
  EXPECT_EQ(child.Wait(milliseconds(20000)), 128 + SIGINT);
  EXPECT_EQ(CheckResultsFolder(folder.path()), "");
  const std::vector<std::string> rows = Lines(ReadWholeFile(folder.PathOf("screen")));
  ASSERT_EQ(rows.size(), 30u);
  EXPECT_EQ(rows[15], " Search stopped: the best grouping found so far is saved in " + results);
  EXPECT_EQ(rows[16], "") << "the save error is still shown after a good save";
  EXPECT_NE(rows[18].find("Interim (Best-So-Far) Results-Saving is now ON."), std::string::npos);
}

// A second run in the folder of a running one ends at once with exit code 1 and says why. It
// removes nothing there, not even what looks like the first run's save in progress, and the
// first ends as it would have alone.
TEST(FaultSaveTest, ASecondRunInTheFolderOfARunningOneEndsAtOnceAndTouchesNothing) {
  TempFolder folder;
  WriteInstance(folder.path(), 300, 5, false);
  Child first(folder.path(), {"", false, 0, {"--time-limit", "5s"}});
  ASSERT_TRUE(WaitUntil([&] { return first.CpuTime() >= milliseconds(300); }, milliseconds(30000)));
  const std::string saving = folder.WriteFile("results.txt.Ab3x9Z", "half a save");
  // Without --no-pause: the refusal has no countdown.
  const std::string out = Shell("'" QM_PROGRAM_PATH "' --folder '" + folder.path() +
                                "' </dev/null 2>&1; echo \"exit $?\"");
  EXPECT_NE(out.find("\nquorvalemixer: Another run of the program is using the folder " +
                     folder.path() + " (it holds " + folder.PathOf(".quorvalemixer.lock") +
                     "); this run ends without touching its files. Start it again when that run "
                     "has ended.\nexit 1\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("Pause..."), std::string::npos) << out;
  EXPECT_EQ(ReadWholeFile(saving), "half a save");
  EXPECT_TRUE(first.Running());
  EXPECT_EQ(first.Wait(milliseconds(60000)), 0);
  EXPECT_EQ(CheckResultsFolder(folder.path()), "");
}

}  // namespace
}  // namespace quorvale::test
