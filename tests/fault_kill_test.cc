// A search killed outright (SIGKILL, no chance to clean up) at a random moment after interim
// saving has begun must leave a whole "results.txt" that passes the results check, and no file
// of one run may ever show a higher best score than an earlier one. Many processes run at once,
// each in its own folder, so that one test sees many kills; every results file is read again and
// again while they run.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "input/file_reader.h"
#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/results_checker.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

constexpr int kProcesses = 12;
constexpr int kPersons = 1000;
// Interim saving starts at 16 s; the kills fall between these moments after the start.
constexpr int kFirstKillMs = 17000;
constexpr int kLastKillMs = 32000;
// A run that has not saved by then has failed to begin interim saving at all.
constexpr auto kSaveDeadline = seconds(40);

struct KilledRun {
  TempFolder folder;
  std::unique_ptr<ResultsChecker> checker;
  std::unique_ptr<ChildProcess> child;
  Clock::duration kill_after{};
  bool killed = false;
  std::string last_text;
  std::optional<int64_t> last_best;
  int versions = 0;  // distinct results files seen
};

struct Tally {
  int snapshots = 0;
  int broken = 0;
  int rises = 0;
};

// Reads the run's results file and checks it when it changed since the last look.
void Snapshot(KilledRun& run, Tally& tally) {
  const FileText file = ReadFileText(run.folder.PathOf("results.txt"));
  if (file.missing) return;
  ++tally.snapshots;
  if (!file.status.ok()) {
    ++tally.broken;
    ADD_FAILURE() << run.folder.path() << ": " << file.status.message();
    return;
  }
  if (file.text == run.last_text) return;
  run.last_text = file.text;
  ++run.versions;
  ResultsSummary summary;
  const Status status = run.checker->Check(file.text, &summary);
  if (!status.ok()) {
    ++tally.broken;
    ADD_FAILURE() << run.folder.path() << ": " << status.message();
    return;
  }
  EXPECT_EQ(summary.TargetStatus, 1) << "an interim file says the target was reached";
  if (run.last_best && summary.BestScore > *run.last_best) {
    ++tally.rises;
    ADD_FAILURE() << run.folder.path() << ": best score rose from " << *run.last_best << " to "
                  << summary.BestScore;
  }
  run.last_best = summary.BestScore;
}

int LeftoverTemporaries(const KilledRun& run) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(run.folder.path())) {
    if (entry.path().filename().string().rfind("results.txt.", 0) == 0) ++count;
  }
  return count;
}

TEST(FaultKillTest, KilledSearchesLeaveWholeResultsThatNeverGetWorse) {
  Watchdog watchdog(seconds(75), "the kill test");
  const auto seed = static_cast<uint32_t>(std::random_device{}());
  std::cout << "kill moments drawn with seed " << seed << "\n";
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> moment(kFirstKillMs, kLastKillMs);

  std::vector<std::unique_ptr<KilledRun>> runs;
  for (int i = 0; i < kProcesses; ++i) {
    auto run = std::make_unique<KilledRun>();
    const InstanceTexts texts = MakeInstance(LongSearch(kPersons, static_cast<uint32_t>(i + 1)));
    WriteInstanceFiles(run->folder.path(), texts);
    run->checker = std::make_unique<ResultsChecker>(texts.parameters, texts.data);
    ASSERT_TRUE(run->checker->input_status().ok()) << run->checker->input_status().message();
    run->kill_after = std::chrono::milliseconds(moment(rng));
    runs.push_back(std::move(run));
  }
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < kProcesses; ++i) {
    runs[static_cast<size_t>(i)]->child = std::make_unique<ChildProcess>(
        ProgramPath(), ProgramInFolder(runs[static_cast<size_t>(i)]->folder.path(), "",
                                       {"--seed", std::to_string(i + 7)}));
  }

  Tally tally;
  int kills = 0;
  int never_saved = 0;
  for (int left = kProcesses; left > 0;) {
    left = 0;
    for (auto& run : runs) {
      if (run->killed) continue;
      Snapshot(*run, tally);
      const auto running_for = Clock::now() - start;
      const bool saving = run->versions > 0;
      if (running_for >= run->kill_after && (saving || running_for >= kSaveDeadline)) {
        EXPECT_TRUE(run->child->Running())
            << run->folder.path() << " ended on its own: " << run->child->status()->Describe();
        run->child->Signal(SIGKILL);
        const std::optional<ExitStatus> status = run->child->WaitFor(seconds(5));
        ASSERT_TRUE(status.has_value()) << "a killed search did not end";
        run->killed = true;
        if (status->signal == SIGKILL) ++kills;
        if (!saving) ++never_saved;
        Snapshot(*run, tally);  // the file as the kill left it
        continue;
      }
      ++left;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  int versions = 0;
  int leftovers = 0;
  for (const auto& run : runs) {
    versions += run->versions;
    leftovers += LeftoverTemporaries(*run);
  }
  std::cout << "kills: " << kills << ", broken files: " << tally.broken
            << ", best-score rises: " << tally.rises << ", snapshots read: " << tally.snapshots
            << ", distinct files checked: " << versions
            << ", temporary files left by a kill: " << leftovers << "\n";
  RecordProperty("kills", kills);
  RecordProperty("broken_files", tally.broken);
  EXPECT_EQ(kills, kProcesses);
  EXPECT_EQ(never_saved, 0) << "searches killed before their first interim save";
  EXPECT_EQ(tally.broken, 0);
  EXPECT_EQ(tally.rises, 0);
}

}  // namespace
}  // namespace quorvale::test
