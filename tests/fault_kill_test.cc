// Searches killed outright (SIGKILL) at random moments after interim saving has begun must leave
// a whole "results.txt" that passes the results check, and the best score in one run's files
// must never rise. Twelve searches run at once; their files are read again and again meanwhile.
// Interim saving begins after one second instead of sixteen. The kill moments come from a seed
// that the test prints; QM_KILL_TEST_SEED=N repeats a run.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>

#include "input/file_reader.h"
#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/results_checker.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

struct KilledRun {
  TempFolder folder;
  std::unique_ptr<Child> child;
  milliseconds kill_at{};
  std::string last;  // the results file as last checked
  long long best = LLONG_MAX;
};

TEST(FaultKillTest, KilledSearchesLeaveWholeResultsThatNeverGetWorse) {
  const char* repeat = std::getenv("QM_KILL_TEST_SEED");
  const unsigned seed = repeat != nullptr && *repeat != '\0'
                            ? static_cast<unsigned>(std::strtoul(repeat, nullptr, 10))
                            : std::random_device{}();
  SCOPED_TRACE(testing::Message() << "QM_KILL_TEST_SEED=" << seed);
  std::mt19937 rng(seed);
  std::vector<KilledRun> runs(12);
  for (KilledRun& run : runs) {
    WriteInstance(run.folder.path(), 500, rng(), false);
    run.kill_at = milliseconds(std::uniform_int_distribution<int>(1500, 8000)(rng));
    run.child = std::make_unique<Child>(run.folder.path(), ChildOptions{"", false, 1000});
  }
  const auto start = std::chrono::steady_clock::now();
  int kills = 0, broken = 0, checked = 0;
  auto snapshot = [&](KilledRun& run) {
    const FileText file = ReadFileText(run.folder.PathOf("results.txt"));
    if (file.missing || (file.status.ok() && file.text == run.last)) return;
    run.last = file.text;
    ++checked;
    ResultsSummary summary;
    const std::string error = CheckResultsFolder(run.folder.path(), &summary);
    broken += !error.empty();
    ASSERT_EQ(error, "") << run.folder.path();
    EXPECT_EQ(summary.TargetStatus, 1) << "an interim file says the target was reached";
    EXPECT_LE(summary.BestScore, run.best) << run.folder.path() << ": the best score rose";
    run.best = summary.BestScore;
  };
  for (bool running = true; running; std::this_thread::sleep_for(milliseconds(5))) {
    running = false;
    for (KilledRun& run : runs) {
      if (!run.child) continue;
      snapshot(run);
      const auto age = std::chrono::steady_clock::now() - start;
      // A search that has not saved by 40 s is killed all the same, and fails the test.
      const bool due = age >= run.kill_at && (!run.last.empty() || age >= std::chrono::seconds(40));
      running |= !due;
      if (!due) continue;
      EXPECT_FALSE(run.last.empty()) << run.folder.path() << " was killed before it saved";
      EXPECT_TRUE(run.child->Running()) << run.folder.path() << " ended on its own";
      run.child->Signal(SIGKILL);
      kills += run.child->Wait(milliseconds(5000)) == 256 + SIGKILL;
      snapshot(run);  // the file as the kill left it
      run.child.reset();
    }
  }
  std::cout << "kill moments drawn with seed " << seed << "; kills: " << kills
            << ", broken files: " << broken << ", distinct files checked: " << checked << "\n";
  EXPECT_EQ(kills, 12);
}

}  // namespace
}  // namespace quorvale::test
