// The search schedule and the search loop: rates and restarts, the ways a search ends, the
// saving rules on a fake clock, failed saves and stopping.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "app/screen_observer.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "engine/initial_assignment.h"
#include "engine/search.h"
#include "engine/search_schedule.h"
#include "tests/support/fakes.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

TEST(ScheduleTest, RatesAndRestarts) {
  Parameters plan;  // focus 3, spread 2, two stages a run
  plan.FocusCycles = 3;
  plan.SpreadCycles = 2;
  plan.StagesPerRun = 2;
  const int expected[][2] = {{1, 100},
                             {2, 0},
                             {3, 0},
                             {4, 4},
                             {5, 4},
                             {6, 0},
                             {9, 4},
                             {10, 4},
                             {11, 100},
                             {41, 100},
                             {51, kRestartFromBest},
                             {61, 100},
                             {101, kRestartFromBest}};
  for (const auto& [cycle, rate] : expected) EXPECT_EQ(ScheduledRate(cycle, plan), rate) << cycle;
  plan.FocusCycles = 0;  // every cycle a spread cycle
  for (int cycle = 1; cycle <= 60; ++cycle) EXPECT_EQ(ScheduledRate(cycle, plan), 4);
}

// A search on the in-memory screen, as the program wires it, with a fake clock and a recording
// sink.
struct SearchRig {
  explicit SearchRig(Problem problem, int64_t start_ms = 0, int64_t step_ms = 0)
      : p(std::move(problem)), clock(start_ms, step_ms), sink(&clock) {}
  SearchOutcome Run(uint32_t seed = 1) {
    SearchEnvironment env{observer, clock, sink, engine, seed, &stop};
    env.time_limit_ms = time_limit_ms;
    return RunSearch(p, env);
  }
  Problem p;
  Screen screen;
  SearchScreen search_screen{screen};
  ScreenObserver observer{search_screen};
  Engine engine{SupportedKernelLevel()};
  test::FakeClock clock;
  test::RecordingSink sink;
  std::atomic<int> stop{0};
  int64_t time_limit_ms = 0;
};

TEST(SearchTest, WaysASearchEnds) {
  // TypeMode 3 deals the example straight onto its target: no cycle, one save, success.
  SearchRig at_target(test::PreparedProblem("6 4 3 2 2 3 2 1", test::kExampleData));
  SearchOutcome outcome = at_target.Run();
  EXPECT_EQ(outcome.TargetStatus, kTargetReached);
  ASSERT_EQ(at_target.sink.saves.size(), 1u);
  EXPECT_EQ(at_target.sink.saves[0].cycle_number, 0);
  EXPECT_EQ(at_target.screen.TextAt(24, 13, 52),
            "SUCCESS !! Target Score achieved & search terminated");
  // No planned cycles: cycle 0 of 0, not reached.
  SearchRig empty(test::PreparedProblem("6 4 1 2 0 3 2 1", test::kExampleData));
  outcome = empty.Run();
  EXPECT_EQ(outcome.TargetStatus, kTargetNotReached);
  EXPECT_EQ(empty.screen.TextAt(26, 13, 46), "Search completed: But Target Score not reached");
  EXPECT_EQ(empty.screen.TextAt(68, 8, 24), "Scrambler Cycles: 0 of 0");
  EXPECT_EQ(empty.screen.TextAt(21, 12, 1), "\u2554");
  // The example reaches its target in the first cycle and ends there.
  SearchRig example(test::PreparedProblem(test::kExampleParameters, test::kExampleData));
  outcome = example.Run();
  EXPECT_EQ(outcome.CycleNumber, 1);
  EXPECT_EQ(example.p.BestScore, 50);
}

TEST(SearchTest, BestScoreNeverRisesAndBelongsToTheBestGrouping) {
  for (uint32_t seed = 1; seed <= 25; ++seed) {
    SearchRig rig(test::MakeRandomProblem(seed, test::RandomShape(seed, 30)), 16000);
    const int64_t first = rig.p.BestScore;
    rig.Run(seed);
    ASSERT_FALSE(rig.sink.saves.empty());
    EXPECT_LE(rig.sink.saves.front().best_score, first);
    for (size_t i = 1; i < rig.sink.saves.size(); ++i) {
      EXPECT_LE(rig.sink.saves[i].best_score, rig.sink.saves[i - 1].best_score) << seed;
    }
    rig.p.Assignment = rig.p.BestAssignment;
    EXPECT_EQ(EvaluateAssignment(rig.p, rig.engine), rig.p.BestScore) << "seed " << seed;
    EXPECT_EQ(rig.p.PersonConflict, rig.p.BestPersonConflict) << "seed " << seed;
  }
}

// A problem whose target is out of reach, so the search runs its whole plan (18 cycles unless
// told otherwise).
Problem LongSearch(int32_t cycles = 18) {
  test::RandomProblemShape shape;
  shape.persons = 30;
  shape.groups = 4;
  Problem p = test::MakeRandomProblem(11, shape);
  p.TargetScore = -1000000;
  p.params.RunCount = cycles <= 18 ? 3 : 100;
  p.TotalCycles = cycles;
  return p;
}

TEST(SearchTimeLimitTest, EndsLikeAPlanOfTheCyclesReached) {
  SearchRig unlimited(LongSearch(60), 0, 1);  // every clock reading is one millisecond later
  ASSERT_EQ(unlimited.Run(99).CycleNumber, 60);

  SearchRig limited(LongSearch(60), 0, 1);
  limited.time_limit_ms = unlimited.clock.ElapsedMs() / 2;
  const SearchOutcome outcome = limited.Run(99);
  const int32_t reached = outcome.CycleNumber;
  ASSERT_GT(reached, 1);
  ASSERT_LT(reached, 60);
  EXPECT_TRUE(outcome.time_limit_hit);
  EXPECT_EQ(outcome.TargetStatus, kTargetNotReached);
  EXPECT_EQ(limited.screen.TextAt(26, 13, 46), "Search completed: But Target Score not reached");
  EXPECT_EQ(limited.screen.TextAt(68, 8, 30),
            "Scrambler Cycles: " + std::to_string(reached) + " of 60    ");
  ASSERT_EQ(limited.sink.saves.size(), 1u);  // the final save, never past 16 s

  SearchRig planned(LongSearch(reached), 0, 1);
  planned.Run(99);
  ASSERT_EQ(planned.sink.saves.size(), 1u);
  EXPECT_EQ(planned.sink.saves[0].cycle_number, reached);
  EXPECT_EQ(planned.sink.saves[0].best_score, limited.sink.saves[0].best_score);
  EXPECT_EQ(planned.sink.saves[0].best_assignment, limited.sink.saves[0].best_assignment);

  SearchRig late(LongSearch(60), 0, 1);  // a limit already passed still finishes one cycle
  late.time_limit_ms = 1;
  EXPECT_EQ(late.Run(99).CycleNumber, 1);
}

TEST(SearchSavingTest, SavingRules) {
  SearchRig quiet(LongSearch(), 0, 1);  // 1 ms a clock reading: never past 16 s
  quiet.Run();
  ASSERT_EQ(quiet.sink.saves.size(), 1u);
  EXPECT_EQ(quiet.sink.saves[0].cycle_number, 18);
  EXPECT_EQ(quiet.screen.TextAt(19, 18, 7), "       ");

  SearchRig late(LongSearch(), 16000);
  late.Run();
  ASSERT_GE(late.sink.saves.size(), 2u);
  EXPECT_EQ(late.sink.saves[0].cycle_number, 1);  // the first pass saves, improved or not
  EXPECT_EQ(late.screen.TextAt(19, 18, 61),
            "Interim (Best-So-Far) Results-Saving is now ON.  Stop search,");
  for (size_t i = 1; i + 1 < late.sink.saves.size(); ++i) {  // then strict improvements only
    EXPECT_LT(late.sink.saves[i].best_score, late.sink.saves[i - 1].best_score);
  }
}

TEST(SearchSavingTest, NoInterimSaveBeforeSixteenSeconds) {
  for (const int64_t start_ms : {15000, 15999}) {
    SearchRig rig(LongSearch(), start_ms);
    rig.Run();
    ASSERT_EQ(rig.sink.saves.size(), 1u) << start_ms;  // the closing save only
    EXPECT_EQ(rig.sink.saves[0].cycle_number, 18);
  }
  SearchRig shortened(LongSearch(), 500);
  SearchEnvironment env{shortened.observer,
                        shortened.clock,
                        shortened.sink,
                        shortened.engine,
                        1,
                        &shortened.stop,
                        500};
  RunSearch(shortened.p, env);
  EXPECT_EQ(shortened.sink.saves.at(0).cycle_number, 1);  // a shorter wait, for the fault tests
}

// Eight persons of one type in two groups with nothing to weigh: every grouping scores 0, the
// same as the best, and no pass ever improves. Three cycles, the first scrambling everyone.
Problem FlatSearch() {
  Problem p = test::PreparedProblem("8 3 3 2 1 1 3 0",
                                    "0 0 0  1 1 1 2 1 1 3 1 2 4 1 2 5 1 3 6 1 3 7 1 4 8 1 4");
  p.TargetScore = -1;  // out of reach
  return p;
}

TEST(SearchSavingTest, ATieBecomesTheBestAndTheFirstInterimSaveNeedsNoImprovement) {
  SearchRig rig(FlatSearch(), 16000);
  const std::vector<int32_t> dealt = rig.p.Assignment;
  rig.Run(3);
  ASSERT_NE(rig.p.Assignment, dealt) << "the scrambler left the deal as it was";
  EXPECT_EQ(rig.p.BestAssignment, rig.p.Assignment);  // the last tie is the best grouping
  ASSERT_EQ(rig.sink.saves.size(), 2u);
  EXPECT_EQ(rig.sink.saves[0].cycle_number, 1);  // unimproved, but the first pass past 16 s
  EXPECT_EQ(rig.sink.saves[1].cycle_number, 3);  // then only the closing save
  EXPECT_EQ(rig.screen.TextAt(19, 19, 62),
            "and use Best-So-Far solution, by closing this window any time.");
}

TEST(SearchSavingTest, FailedSavesAreShownRetriedAndReported) {
  SearchRig retried(LongSearch(), 16000);
  retried.sink.fail_next = 1;
  EXPECT_TRUE(retried.Run().saved);
  EXPECT_EQ(retried.sink.saves[1].cycle_number, 1);  // tried again at the next pass
  EXPECT_EQ(retried.screen.TextAt(1, kSaveErrorRow, 5), "     ");

  SearchRig failing(LongSearch());
  failing.sink.fail_next = 1;  // the closing save fails
  const SearchOutcome outcome = failing.Run();
  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(failing.screen.TextAt(1, kSaveErrorRow, 37), "Could not save the results: disk full");
}

TEST(SearchStopTest, AStopRequestSavesTheBestSoFar) {
  SearchRig rig(LongSearch());
  rig.stop = 15;
  EXPECT_EQ(rig.Run().stop_signal, 15);
  ASSERT_EQ(rig.sink.saves.size(), 1u);
  EXPECT_EQ(rig.sink.saves[0].target_status, kTargetNotReached);
  EXPECT_EQ(rig.screen.TextAt(26, 13, 6), "      ");  // no closing message
}

}  // namespace
}  // namespace quorvale
