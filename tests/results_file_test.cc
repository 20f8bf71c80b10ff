// The results file: the decoding of the cycle number, the exact text, and the safe replacement
// of the file on disk.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "report/results_file.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

Parameters WorkedPlan() {
  Parameters params;
  params.PersonCount = 4;
  params.FocusCycles = 3;
  params.SpreadCycles = 2;
  params.StagesPerRun = 2;
  params.RunCount = 3;
  return params;
}

TEST(ResultsFileTest, DecodingAndText) {
  const int rows[][5] = {{1, 1, 1, 1, 0},  {4, 1, 1, 3, 1},  {5, 1, 1, 3, 2},  {6, 1, 2, 1, 0},
                         {10, 1, 2, 3, 2}, {11, 2, 1, 1, 0}, {23, 3, 1, 3, 0}, {0, 1, 1, 0, 0}};
  for (const auto& [cycle, run, stage, focus, spread] : rows) {
    const SchedulePosition at = DecodeCycleNumber(cycle, WorkedPlan());
    EXPECT_EQ(std::vector<int>({at.RunNumber, at.StageNumber, at.FocusIndex, at.SpreadIndex}),
              std::vector<int>({run, stage, focus, spread}))
        << "cycle " << cycle;
  }
  Problem p;
  ASSERT_TRUE(AllocateProblem(WorkedPlan(), p).ok());
  p.TargetScore = 150;
  p.ConflictDensity = 33;
  p.BestScore = -200;
  p.BestAssignment = {0, 2, 1, 2, 1};
  p.BestPersonConflict = {0, 200, 0, 200, 0};
  EXPECT_EQ(FormatResults(p, 1, 23),
            "150 \t1 \t33 \t\n3 \t1 \t3 \t\n0 \t-200 \t23 \t\n"
            "1 \t2 \t200 \t\n2 \t1 \t0 \t\n3 \t2 \t200 \t\n4 \t1 \t0 \t\n");
}

TEST(ResultsFileTest, ReplacementIsWholeAndRespectsReadOnlyFiles) {
  test::TempFolder folder;
  const std::string path = folder.PathOf("results.txt");
  ASSERT_TRUE(ReplaceFileAtomically(path, "a long first text\nwith two lines\n").ok());
  ASSERT_TRUE(ReplaceFileAtomically(path, "short\n").ok());
  EXPECT_EQ(test::ReadWholeFile(path), "short\n");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(ReplaceFileAtomically(path, "new\n").message(),
            path + " is read-only; it was left as it is.");
  EXPECT_EQ(test::ReadWholeFile(path), "short\n");
  EXPECT_EQ(ReplaceFileAtomically(folder.PathOf("gone/results.txt"), "x").message(),
            "cannot create a file in " + folder.PathOf("gone") + ": No such file or directory.");
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

}  // namespace
}  // namespace quorvale
