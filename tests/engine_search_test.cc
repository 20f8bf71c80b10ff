// The search schedule and the search loop: rates and restarts, the ways a search ends, the
// saving rules on a fake clock, stopping, and failed saves.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "console/screen.h"
#include "engine/initial_assignment.h"
#include "engine/search.h"
#include "engine/search_schedule.h"
#include "tests/support/fakes.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

Parameters Plan(int focus, int spread, int stages) {
  Parameters params;
  params.FocusCycles = focus;
  params.SpreadCycles = spread;
  params.StagesPerRun = stages;
  return params;
}

TEST(ScheduleTest, RatesAndRestartsOfTheWorkedPlan) {
  const Parameters plan = Plan(3, 2, 2);
  const std::vector<std::pair<int, int>> expected = {{1, 100},
                                                     {2, 0},
                                                     {3, 0},
                                                     {4, 4},
                                                     {5, 4},
                                                     {6, 0},
                                                     {7, 0},
                                                     {8, 0},
                                                     {9, 4},
                                                     {10, 4},
                                                     {11, 100},
                                                     {21, 100},
                                                     {31, 100},
                                                     {41, 100},
                                                     {51, kRestartFromBest},
                                                     {61, 100},
                                                     {71, 100},
                                                     {91, 100},
                                                     {101, kRestartFromBest}};
  for (const auto& [cycle, rate] : expected) {
    EXPECT_EQ(ScheduledRate(cycle, plan), rate) << "cycle " << cycle;
  }
}

TEST(ScheduleTest, PlansWithoutFocusOrSpreadCycles) {
  for (int cycle = 1; cycle <= 60; ++cycle) EXPECT_EQ(ScheduledRate(cycle, Plan(0, 2, 3)), 4);
  const Parameters focus_only = Plan(2, 0, 1);  // runs of two cycles
  EXPECT_EQ(ScheduledRate(1, focus_only), 100);
  EXPECT_EQ(ScheduledRate(2, focus_only), 0);
  EXPECT_EQ(ScheduledRate(3, focus_only), 100);
  EXPECT_EQ(ScheduledRate(11, focus_only), kRestartFromBest);
}

struct SearchRig {
  explicit SearchRig(Problem problem, int64_t start_ms = 0, int64_t step_ms = 0)
      : p(std::move(problem)), clock(start_ms, step_ms), sink(&clock) {}
  SearchOutcome Run(uint32_t seed = 1) {
    SearchEnvironment env{screen, clock, sink, seed, &stop};
    return RunSearch(p, env);
  }
  Problem p;
  Screen screen;
  test::FakeClock clock;
  test::RecordingSink sink;
  std::atomic<int> stop{0};
};

std::string ExampleWith(int type_mode, int runs) {
  return "6 4 " + std::to_string(type_mode) + " 2 " + std::to_string(runs) + " 3 2 1";
}

TEST(SearchTest, FirstGroupingAtTheTargetEndsAtOnceWithSuccess) {
  SearchRig rig(test::PreparedProblem(ExampleWith(3, 2), test::kExampleData));
  const SearchOutcome outcome = rig.Run();
  EXPECT_EQ(outcome.TargetStatus, kTargetReached);
  EXPECT_EQ(outcome.CycleNumber, 0);
  ASSERT_EQ(rig.sink.saves.size(), 1u);
  EXPECT_EQ(rig.sink.saves[0].target_status, kTargetReached);
  EXPECT_EQ(rig.sink.saves[0].cycle_number, 0);
  EXPECT_EQ(rig.screen.TextAt(24, 13, 52), "SUCCESS !! Target Score achieved & search terminated");
  EXPECT_EQ(rig.screen.TextAt(68, 8, 25), "Scrambler Cycles: 0 of 18");
}

TEST(SearchTest, NoPlannedCyclesEndsWithoutReachingTheTarget) {
  SearchRig rig(test::PreparedProblem(ExampleWith(1, 0), test::kExampleData));
  const SearchOutcome outcome = rig.Run();
  EXPECT_EQ(outcome.TargetStatus, kTargetNotReached);
  EXPECT_EQ(outcome.CycleNumber, 0);
  ASSERT_EQ(rig.sink.saves.size(), 1u);
  EXPECT_EQ(rig.screen.TextAt(26, 13, 46), "Search completed: But Target Score not reached");
  EXPECT_EQ(rig.screen.TextAt(68, 8, 24), "Scrambler Cycles: 0 of 0");
  EXPECT_EQ(rig.screen.TextAt(21, 12, 1), "\u2554");
  EXPECT_EQ(rig.screen.TextAt(78, 14, 1), "\u255D");
}

TEST(SearchTest, ExampleReachesItsTargetInTheFirstCycle) {
  // Reaching the target ends the search in the cycle that reached it, with one save.
  SearchRig rig(test::PreparedProblem(ExampleWith(1, 2), test::kExampleData));
  const SearchOutcome outcome = rig.Run(1);
  EXPECT_EQ(outcome.TargetStatus, kTargetReached);
  EXPECT_EQ(outcome.CycleNumber, 1);
  EXPECT_EQ(rig.p.BestScore, 50);
  ASSERT_EQ(rig.sink.saves.size(), 1u);
  EXPECT_EQ(rig.sink.saves[0].cycle_number, 1);
}

TEST(SearchTest, SameSeedSameSearch) {
  test::RandomProblemShape shape;
  shape.persons = 40;
  shape.groups = 5;
  for (uint32_t seed : {3u, 4u}) {
    SearchRig a(test::MakeRandomProblem(seed, shape));
    SearchRig b(test::MakeRandomProblem(seed, shape));
    a.Run(seed);
    b.Run(seed);
    EXPECT_EQ(a.p.BestAssignment, b.p.BestAssignment);
    EXPECT_EQ(a.p.BestScore, b.p.BestScore);
  }
}

TEST(SearchTest, BestScoreNeverRisesAndBelongsToTheBestGrouping) {
  for (uint32_t seed = 1; seed <= 25; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 30);
    SearchRig rig(test::MakeRandomProblem(seed, shape), 16000);  // every pass may save
    const int64_t first = rig.p.BestScore;
    const SearchOutcome outcome = rig.Run(seed);
    ASSERT_FALSE(rig.sink.saves.empty());
    int64_t previous = first;
    for (const test::RecordedSave& save : rig.sink.saves) {
      EXPECT_LE(save.best_score, previous) << "seed " << seed;
      previous = save.best_score;
    }
    EXPECT_EQ(rig.sink.saves.back().target_status, outcome.TargetStatus);
    rig.p.Assignment = rig.p.BestAssignment;
    EXPECT_EQ(EvaluateAssignment(rig.p), rig.p.BestScore) << "seed " << seed;
    EXPECT_EQ(rig.p.PersonConflict, rig.p.BestPersonConflict) << "seed " << seed;
    EXPECT_GE(rig.p.BestScore, rig.p.TargetScore) << "seed " << seed;
  }
}

Problem LongSearch() {
  test::RandomProblemShape shape;
  shape.persons = 30;
  shape.groups = 4;
  shape.attribute_columns = 4;
  Problem p = test::MakeRandomProblem(11, shape);
  p.TargetScore = -1000000;  // unreachable: the search runs its whole plan
  p.params.RunCount = 3;
  p.TotalCycles = 3 * 2 * 3;
  return p;
}

TEST(SearchSavingTest, NothingIsSavedInTheFirstSixteenSeconds) {
  SearchRig rig(LongSearch(), 0, 1);  // 1 ms per clock reading: far below 16 s
  rig.Run();
  ASSERT_EQ(rig.sink.saves.size(), 1u);  // only the closing save
  EXPECT_EQ(rig.sink.saves[0].cycle_number, 18);
  EXPECT_EQ(rig.screen.TextAt(19, 18, 10), "          ");
}

TEST(SearchSavingTest, FirstPassAfterSixteenSecondsSavesAndShowsTheNoticeOnce) {
  SearchRig rig(LongSearch(), 16000);
  rig.Run();
  ASSERT_GE(rig.sink.saves.size(), 2u);
  EXPECT_EQ(rig.sink.saves[0].cycle_number, 1);  // the first pass, improved or not
  EXPECT_EQ(rig.screen.TextAt(19, 18, 61),
            "Interim (Best-So-Far) Results-Saving is now ON.  Stop search,");
  EXPECT_EQ(rig.screen.TextAt(19, 19, 62),
            "and use Best-So-Far solution, by closing this window any time.");
  EXPECT_EQ(rig.screen.TextAt(17, 17, 1), "\u2554");
  // After the first, interim saves come only with a strictly lower best score.
  for (size_t i = 1; i + 1 < rig.sink.saves.size(); ++i) {
    EXPECT_LT(rig.sink.saves[i].best_score, rig.sink.saves[i - 1].best_score);
  }
  EXPECT_EQ(rig.sink.saves.back().cycle_number, 18);
  EXPECT_EQ(rig.sink.saves.back().target_status, kTargetNotReached);
}

TEST(SearchSavingTest, AFailedSaveIsShownRetriedAndReported) {
  SearchRig rig(LongSearch(), 16000);
  rig.sink.fail_next = 1;
  SearchOutcome outcome = rig.Run();
  ASSERT_GE(rig.sink.saves.size(), 3u);
  // The failed first save is retried at the next pass, which counts as the first save.
  EXPECT_EQ(rig.sink.saves[1].cycle_number, 1);
  EXPECT_TRUE(outcome.saved);
  EXPECT_EQ(rig.screen.TextAt(1, kSaveErrorRow, 5), "     ");  // cleared once a save worked

  SearchRig failing(LongSearch());
  failing.sink.fail_next = 1;  // the closing save fails
  outcome = failing.Run();
  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(outcome.save_error, "disk full");
  EXPECT_EQ(failing.screen.TextAt(1, kSaveErrorRow, 38), "Could not save the results: disk full ");
}

TEST(SearchStopTest, AStopRequestSavesTheBestSoFar) {
  SearchRig rig(LongSearch());
  rig.stop = 15;
  const SearchOutcome outcome = rig.Run();
  EXPECT_EQ(outcome.stop_signal, 15);
  ASSERT_EQ(rig.sink.saves.size(), 1u);
  EXPECT_EQ(rig.sink.saves[0].target_status, kTargetNotReached);
  EXPECT_EQ(rig.sink.saves[0].best_score, rig.p.BestScore);
  EXPECT_EQ(rig.screen.TextAt(26, 13, 6), "      ");  // no closing message
}

}  // namespace
}  // namespace quorvale
