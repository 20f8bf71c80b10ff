// The search's time limit: it ends the search at the end of a cycle, exactly as a plan that
// ends there would, on a fake clock.
#include <gtest/gtest.h>

#include <string>

#include "app/screen_observer.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "engine/search.h"
#include "tests/support/fakes.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

// A problem whose target is out of reach, so only its plan or a time limit ends the search.
Problem LongSearch(int32_t cycles) {
  test::RandomProblemShape shape;
  shape.persons = 30;
  shape.groups = 4;
  Problem p = test::MakeRandomProblem(11, shape);
  p.TargetScore = -1000000;
  p.params.RunCount = 100;
  p.TotalCycles = cycles;
  return p;
}

struct Limited {
  Problem p;
  Screen screen;
  SearchScreen search_screen{screen};
  ScreenObserver observer{search_screen};
  Engine engine{SupportedKernelLevel()};
  test::FakeClock clock{0, 1};  // every reading is one millisecond later
  test::RecordingSink sink;
  SearchOutcome outcome;

  Limited(int32_t cycles, int64_t limit_ms) : p(LongSearch(cycles)) {
    SearchEnvironment env{observer, clock, sink, engine, 99, nullptr};
    env.time_limit_ms = limit_ms;
    outcome = RunSearch(p, env);
  }
};

TEST(SearchTimeLimitTest, EndsLikeAPlanOfTheCyclesReached) {
  Limited unlimited(60, 0);
  const int64_t readings = unlimited.clock.ElapsedMs();
  ASSERT_EQ(unlimited.outcome.CycleNumber, 60);

  const Limited limited(60, readings / 2);
  const int32_t reached = limited.outcome.CycleNumber;
  ASSERT_GT(reached, 1);
  ASSERT_LT(reached, 60);
  EXPECT_EQ(limited.outcome.TargetStatus, kTargetNotReached);
  EXPECT_EQ(limited.screen.TextAt(26, 13, 46), "Search completed: But Target Score not reached");
  ASSERT_EQ(limited.sink.saves.size(), 1u);  // the final save, never past 16 s
  EXPECT_EQ(limited.sink.saves[0].cycle_number, reached);

  const Limited planned(reached, 0);
  ASSERT_EQ(planned.sink.saves.size(), 1u);
  EXPECT_EQ(planned.sink.saves[0].cycle_number, reached);
  EXPECT_EQ(planned.sink.saves[0].best_score, limited.sink.saves[0].best_score);
  EXPECT_EQ(planned.sink.saves[0].best_assignment, limited.sink.saves[0].best_assignment);
  EXPECT_EQ(limited.screen.TextAt(68, 8, 30),
            "Scrambler Cycles: " + std::to_string(reached) + " of 60    ");
}

TEST(SearchTimeLimitTest, ALimitAlreadyPassedStillFinishesOneCycle) {
  const Limited late(60, 1);
  EXPECT_EQ(late.outcome.CycleNumber, 1);
  EXPECT_EQ(late.sink.saves.size(), 1u);
}

}  // namespace
}  // namespace quorvale
