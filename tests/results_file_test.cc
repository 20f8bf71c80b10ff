// The results file: the decoding of the cycle number, the exact text, and the safe replacement
// of the file on disk.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "report/results_file.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

Parameters WorkedPlan() {
  Parameters params;
  params.PersonCount = 4;
  params.GroupCount = 2;
  params.FocusCycles = 3;
  params.SpreadCycles = 2;
  params.StagesPerRun = 2;
  params.RunCount = 3;
  return params;
}

TEST(DecodeCycleTest, WorkedDecoding) {
  const int rows[][5] = {{1, 1, 1, 1, 0},  {3, 1, 1, 3, 0},  {4, 1, 1, 3, 1},  {5, 1, 1, 3, 2},
                         {6, 1, 2, 1, 0},  {10, 1, 2, 3, 2}, {11, 2, 1, 1, 0}, {23, 3, 1, 3, 0},
                         {30, 3, 2, 3, 2}, {0, 1, 1, 0, 0}};
  for (const auto& row : rows) {
    const SchedulePosition at = DecodeCycleNumber(row[0], WorkedPlan());
    EXPECT_EQ(at.RunNumber, row[1]) << "cycle " << row[0];
    EXPECT_EQ(at.StageNumber, row[2]) << "cycle " << row[0];
    EXPECT_EQ(at.FocusIndex, row[3]) << "cycle " << row[0];
    EXPECT_EQ(at.SpreadIndex, row[4]) << "cycle " << row[0];
  }
}

Problem FourPersonResult() {
  Problem p;
  EXPECT_TRUE(AllocateProblem(WorkedPlan(), p).ok());
  p.TargetScore = 150;
  p.ConflictDensity = 33;
  p.BestScore = 200;
  p.BestAssignment = {0, 2, 1, 2, 1};
  p.BestPersonConflict = {0, 200, 0, 200, 0};
  return p;
}

TEST(ResultsTextTest, FourPersonExample) {
  EXPECT_EQ(FormatResults(FourPersonResult(), 1, 23),
            "150 \t1 \t33 \t\n"
            "3 \t1 \t3 \t\n"
            "0 \t200 \t23 \t\n"
            "1 \t2 \t200 \t\n"
            "2 \t1 \t0 \t\n"
            "3 \t2 \t200 \t\n"
            "4 \t1 \t0 \t\n");
}

TEST(ResultsTextTest, NegativeScoresKeepTheirSign) {
  Problem p = FourPersonResult();
  p.BestScore = -350;
  p.TargetScore = -400;
  const std::string text = FormatResults(p, 2, 0);
  EXPECT_EQ(text.substr(0, text.find('\n')), "-400 \t2 \t33 \t");
  EXPECT_NE(text.find("0 \t-350 \t0 \t\n"), std::string::npos);
}

int FilesIn(const std::string& folder) {
  int count = 0;
  DIR* dir = opendir(folder.c_str());
  while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count;
}

TEST(ReplaceFileTest, ASecondWriteReplacesTheWholeFile) {
  test::TempFolder folder;
  const std::string path = folder.PathOf("results.txt");
  ASSERT_TRUE(ReplaceFileAtomically(path, "a long first text\nwith two lines\n").ok());
  ASSERT_TRUE(ReplaceFileAtomically(path, "short\n").ok());
  EXPECT_EQ(test::ReadWholeFile(path), "short\n");
  EXPECT_EQ(FilesIn(folder.path()), 1);  // no temporary file left behind
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IRUSR, 0u);
}

TEST(ReplaceFileTest, FailuresAreReportedAndLeaveTheOldFile) {
  test::TempFolder folder;
  const std::string path = folder.WriteFile("results.txt", "kept\n");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const Status read_only = ReplaceFileAtomically(path, "new\n");
  EXPECT_FALSE(read_only.ok());
  EXPECT_EQ(read_only.message(), path + " is read-only; it was left as it is.");
  EXPECT_EQ(test::ReadWholeFile(path), "kept\n");

  const Status no_folder = ReplaceFileAtomically(folder.PathOf("gone/results.txt"), "x");
  EXPECT_FALSE(no_folder.ok());
  EXPECT_EQ(no_folder.message(),
            "cannot create a file in " + folder.PathOf("gone") + ": No such file or directory.");
  EXPECT_EQ(FilesIn(folder.path()), 1);
}

}  // namespace
}  // namespace quorvale
