// The fast engine against the straightforward one: identical tables after every evaluation and
// descent, identical exchanges in the same order, and identical whole searches, on many random
// instances, at each kernel level. A level this processor cannot run reports itself skipped.
#include <gtest/gtest.h>

#include <atomic>
#include <tuple>
#include <vector>

#include "app/screen_observer.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "engine/plain_engine.h"
#include "engine/random.h"
#include "engine/run_loop.h"
#include "engine/scrambler.h"
#include "engine/swap_descent.h"
#include "tests/support/fakes.h"
#include "tests/support/group_table_cells.h"
#include "tests/support/kernel_levels.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

// What an evaluation or a descent leaves in the Problem.
auto Tables(const Problem& p) {
  return std::tuple(p.CurrentScore, p.Assignment, p.PersonConflict,
                    test::GroupTableCells(p.GroupConflictTable));
}

// Records every exchange, can stop at its n-th poll, and stops a descent that runs away, as one
// whose tables went wrong might. With `twin`, a copy of the problem being descended, evaluates
// the grouping of every exchange there with `engine`: the descent's score must already be its
// score (its tables are compared when it returns).
struct Recorder final : SearchMonitor {
  Recorder(int stop_at, Problem* twin, const Engine* twin_engine)
      : stop_at_poll(stop_at), evaluate(twin), engine(twin_engine) {}
  void AfterExchange(const Problem& p) override {
    exchanges.emplace_back(p.CurrentScore, p.Assignment);
    if (evaluate != nullptr) {
      evaluate->Assignment = p.Assignment;
      EXPECT_EQ(EvaluateAssignment(*evaluate, *engine), exchanges.back().first)
          << "the score was not current at an exchange";
    }
  }
  bool StopRequested() override { return ++polls == stop_at_poll || exchanges.size() > 20000; }
  int stop_at_poll;
  Problem* evaluate;
  const Engine* engine;
  std::vector<std::pair<int64_t, std::vector<int32_t>>> exchanges;
  int polls = 0;
};

class FastEngineTest : public ::testing::TestWithParam<KernelLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > SupportedKernelLevel()) {
      GTEST_SKIP() << KernelLevelName(GetParam()) << " kernels do not run on this processor";
    }
  }
  // Descend, scramble and evaluate both twins for a few rounds, comparing after every step.
  void CompareRounds(uint32_t seed, const test::RandomProblemShape& shape, EngineLimits limits,
                     int stop_at_poll = -1) {
    Engine engine(GetParam(), limits);
    ASSERT_EQ(engine.level(), GetParam());
    Problem fast = test::MakeRandomProblem(seed, shape);
    Problem ref = test::MakeRandomProblem(seed, shape);
    Problem twin = test::MakeRandomProblem(seed, shape);
    PlainEvaluateAssignment(ref);
    ASSERT_EQ(Tables(fast), Tables(ref)) << "dealt";
    Lcg15 random_fast(seed);
    Lcg15 random_ref(seed);
    for (int round = 0; round < 3; ++round) {
      Recorder fast_log(stop_at_poll, seed % 2 == 0 ? &twin : nullptr, &engine);
      Recorder ref_log(stop_at_poll, nullptr, nullptr);
      ASSERT_EQ(SwapDescent(fast, engine, &fast_log), PlainSwapDescent(ref, &ref_log));
      ASSERT_EQ(fast_log.exchanges, ref_log.exchanges) << "round " << round;
      ASSERT_EQ(fast_log.polls, ref_log.polls) << "round " << round;
      ASSERT_EQ(Tables(fast), Tables(ref)) << "descended in round " << round;
      const int32_t rate = round == 0 ? 100 : 4 * round - 4;
      Scramble(fast, round % 2 + 1, rate, random_fast);
      Scramble(ref, round % 2 + 1, rate, random_ref);
      EvaluateAssignment(fast, engine);
      PlainEvaluateAssignment(ref);
      ASSERT_EQ(Tables(fast), Tables(ref)) << "scrambled in round " << round;
    }
  }
};

TEST_P(FastEngineTest, TablesMatchTheReferenceAfterEveryStep) {
  // Group counts on both sides of each kernel's lookup sizes, more groups than persons, and
  // random shapes; some descents are stopped part way.
  const int kGroups[] = {1, 2, 7, 8, 15, 16, 31, 32, 50, 63, 64, 90, 127, 130};
  for (uint32_t seed = 1; seed <= 90 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    test::RandomProblemShape shape = test::RandomShape(seed, seed % 4 == 0 ? 240 : 70);
    shape.max_abs_weight = seed % 3 == 0 ? 3000 : 200;
    if (seed <= 28) {
      shape.groups = kGroups[seed % 14];
      shape.persons = 40 + shape.groups + static_cast<int>(seed % 4);
    } else if (seed % 3 == 0) {
      shape.persons = 2 + static_cast<int>(seed % 19);
      shape.groups = shape.persons + 1 + static_cast<int>(seed % 5);
    }
    CompareRounds(seed, shape, {}, seed % 5 == 0 ? 1 + static_cast<int>(seed % 97) : -1);
  }
}

TEST_P(FastEngineTest, WideSumsMatchTheReference) {
  // A low limit makes the descent switch to 64-bit sums at the start or after some exchange.
  for (uint32_t seed = 300; seed < 360 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    test::RandomProblemShape shape = test::RandomShape(seed, 120);
    shape.max_abs_weight = 2000;
    EngineLimits limits;
    if (seed % 2 == 0) limits.narrow_sum_limit = static_cast<int32_t>(1000 + 700 * (seed % 20));
    CompareRounds(seed, shape, limits);
  }
}

TEST_P(FastEngineTest, GroupSumsBeyondThirtyTwoBitsAreSummedWide) {
  // Group sums near a billion, as tens of thousands of persons with large weights make them.
  // Every person's sums are moved by +B in its own group and -B in the others: the gains of
  // exchanges grow by 4B, beyond what 32-bit sums can hold, and stay exact only in 64 bits.
  constexpr int32_t kB = 800'000'000;
  for (uint32_t seed = 700; seed < 710 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    test::RandomProblemShape shape = test::RandomShape(seed, 60);
    shape.persons = 40 + static_cast<int>(seed % 20);
    shape.groups = 2 + static_cast<int>(seed % 5);
    Problem fast = test::MakeRandomProblem(seed, shape);
    Problem ref = test::MakeRandomProblem(seed, shape);
    for (Problem* p : {&fast, &ref}) {
      for (int r = 1; r <= p->PersonCount(); ++r) {
        for (int g = 1; g <= p->GroupCount(); ++g) {
          p->GroupConflictTable(r, g) += g == p->Assignment[static_cast<size_t>(r)] ? kB : -kB;
        }
        p->PersonConflict[static_cast<size_t>(r)] =
            p->GroupConflictTable(r, p->Assignment[static_cast<size_t>(r)]);
      }
    }
    Engine engine(GetParam());
    Recorder fast_log(-1, nullptr, nullptr);
    Recorder ref_log(-1, nullptr, nullptr);
    ASSERT_TRUE(PlainSwapDescent(ref, &ref_log));
    ASSERT_FALSE(ref_log.exchanges.empty());
    ASSERT_TRUE(SwapDescent(fast, engine, &fast_log));
    EXPECT_EQ(fast_log.exchanges, ref_log.exchanges);
    EXPECT_EQ(Tables(fast), Tables(ref));
  }
}

TEST_P(FastEngineTest, ManyPersonTypesUseThePlainEngine) {
  // Beyond 100 distinct person types the fast descent cannot tell them apart; the plain engine
  // takes over and the results stay the same.
  test::RandomProblemShape shape;
  shape.persons = 150;
  shape.groups = 5;
  Problem fast = test::MakeRandomProblem(41, shape);
  for (int r = 1; r <= fast.PersonCount(); ++r) fast.DataTable(r, 1) = 3 + r % 120;
  Problem ref = test::MakeRandomProblem(41, shape);
  for (int r = 1; r <= ref.PersonCount(); ++r) ref.DataTable(r, 1) = 3 + r % 120;
  Engine engine(GetParam());
  Recorder fast_log(-1, nullptr, nullptr);
  Recorder ref_log(-1, nullptr, nullptr);
  EXPECT_EQ(SwapDescent(fast, engine, &fast_log), PlainSwapDescent(ref, &ref_log));
  EXPECT_EQ(fast_log.exchanges, ref_log.exchanges);
  EXPECT_EQ(Tables(fast), Tables(ref));
}

// Everything a search leaves behind: its outcome, its best grouping and every save.
auto Search(uint32_t seed, const test::RandomProblemShape& shape, KernelLevel level) {
  Problem p = test::MakeRandomProblem(seed, shape);
  // Every clock reading moves time on, so the saves depend on the exact number of readings.
  test::FakeClock clock(0, 61);
  test::RecordingSink sink(&clock);
  Screen screen;
  SearchScreen search_screen(screen);
  ScreenObserver observer(search_screen);
  Engine engine(level);
  std::atomic<int> stop{0};
  SearchEnvironment env{observer, clock, sink, engine, seed * 7919u, &stop};
  const SearchOutcome outcome = RunSearch(p, env);
  std::vector<std::tuple<int32_t, int32_t, int64_t, int64_t, std::vector<int32_t>>> saves;
  for (const test::RecordedSave& s : sink.saves) {
    saves.emplace_back(s.target_status, s.cycle_number, s.best_score, s.at_ms, s.best_assignment);
  }
  return std::tuple(outcome.TargetStatus, outcome.CycleNumber, p.BestScore, p.BestAssignment,
                    p.BestPersonConflict, saves, screen.PlainText());
}

TEST_P(FastEngineTest, WholeSearchesMatchTheReference) {
  for (uint32_t seed = 500; seed < 516; ++seed) {
    const test::RandomProblemShape shape = test::RandomShape(seed, 120);
    const auto ref = Search(seed, shape, KernelLevel::kPlain);
    EXPECT_FALSE(std::get<5>(ref).empty()) << seed;  // the saves are compared too
    EXPECT_EQ(Search(seed, shape, GetParam()), ref) << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, FastEngineTest, test::FastKernelLevels(),
                         test::KernelLevelTestName);

}  // namespace
}  // namespace quorvale
