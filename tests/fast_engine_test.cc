// The fast engine against the straightforward one: identical tables after every evaluation and
// descent, identical exchanges in the same order, and identical whole searches, on many random
// instances and at every instruction-set level this processor offers.
#include <gtest/gtest.h>

#include <atomic>
#include <tuple>
#include <vector>

#include "console/screen.h"
#include "engine/fast_kernels.h"
#include "engine/fast_tables.h"
#include "engine/initial_assignment.h"
#include "engine/random.h"
#include "engine/scrambler.h"
#include "engine/search.h"
#include "engine/swap_descent.h"
#include "reference/reference_engine.h"
#include "tests/support/fakes.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

// Puts the engine's settings back however a test ends.
struct EngineSettings {
  ~EngineSettings() {
    UseFastLevel(FastLevel::kAvx512);
    SetFastTableBudget(0);
    SetNarrowSumLimit(0);
  }
};

// What an evaluation or a descent leaves in the Problem.
auto Tables(const Problem& p) {
  const Table2D<int32_t>& t = p.GroupConflictTable;
  return std::tuple(p.CurrentScore, p.Assignment, p.PersonConflict,
                    std::vector<int32_t>(t.data(), t.data() + t.size()));
}

// Records every exchange, can stop at its n-th poll, and stops a descent that runs away, as one
// whose tables went wrong might. With `evaluate`, re-evaluates that Problem at every exchange:
// the score must be exact and the descent in progress undisturbed.
struct Recorder final : SearchMonitor {
  Recorder(int stop_at, Problem* twin) : stop_at_poll(stop_at), evaluate(twin) {}
  void AfterExchange(const Problem& p) override {
    exchanges.emplace_back(p.CurrentScore, p.Assignment);
    if (evaluate != nullptr) {
      EXPECT_EQ(EvaluateAssignment(*evaluate), exchanges.back().first);
    }
  }
  bool StopRequested() override { return ++polls == stop_at_poll || exchanges.size() > 20000; }
  int stop_at_poll;
  Problem* evaluate;
  std::vector<std::pair<int64_t, std::vector<int32_t>>> exchanges;
  int polls = 0;
};

// Descend, scramble and evaluate both twins for a few rounds, comparing after every step.
void CompareRounds(uint32_t seed, const test::RandomProblemShape& shape, int stop_at_poll = -1) {
  Problem fast = test::MakeRandomProblem(seed, shape);
  Problem ref = test::MakeRandomProblem(seed, shape);
  reference::ReferenceEvaluateAssignment(ref);
  ASSERT_EQ(Tables(fast), Tables(ref)) << "dealt";
  Lcg15 random_fast(seed);
  Lcg15 random_ref(seed);
  for (int round = 0; round < 3; ++round) {
    Recorder fast_log(stop_at_poll, seed % 2 == 0 ? &fast : nullptr);
    Recorder ref_log(stop_at_poll, nullptr);
    ASSERT_EQ(SwapDescent(fast, &fast_log), reference::ReferenceSwapDescent(ref, &ref_log));
    ASSERT_EQ(fast_log.exchanges, ref_log.exchanges) << "round " << round;
    ASSERT_EQ(fast_log.polls, ref_log.polls) << "round " << round;
    ASSERT_EQ(Tables(fast), Tables(ref)) << "descended in round " << round;
    const int32_t rate = round == 0 ? 100 : 4 * round - 4;
    Scramble(fast, round % 2 + 1, rate, random_fast);
    Scramble(ref, round % 2 + 1, rate, random_ref);
    EvaluateAssignment(fast);
    reference::ReferenceEvaluateAssignment(ref);
    ASSERT_EQ(Tables(fast), Tables(ref)) << "scrambled in round " << round;
  }
}

TEST(FastEngineTest, TablesMatchTheReferenceAfterEveryStep) {
  // Group counts on both sides of each kernel's lookup sizes, more groups than persons, and
  // random shapes; some descents are stopped part way.
  const int kGroups[] = {1, 2, 7, 8, 15, 16, 31, 32, 50, 63, 64, 90, 130};
  EngineSettings settings;
  for (FastLevel level : {FastLevel::kPortable, FastLevel::kAvx2, FastLevel::kAvx512}) {
    if (level > SupportedFastLevel()) continue;
    UseFastLevel(level);
    for (uint32_t seed = 1; seed <= 90 && !HasFatalFailure(); ++seed) {
      SCOPED_TRACE(testing::Message() << "level " << static_cast<int>(level) << " seed " << seed);
      test::RandomProblemShape shape = test::RandomShape(seed, seed % 4 == 0 ? 240 : 70);
      shape.max_abs_weight = seed % 3 == 0 ? 3000 : 200;
      if (seed <= 26) {
        shape.groups = kGroups[seed % 13];
        shape.persons = 40 + shape.groups + static_cast<int>(seed % 4);
      } else if (seed % 3 == 0) {
        shape.persons = 2 + static_cast<int>(seed % 19);
        shape.groups = shape.persons + 1 + static_cast<int>(seed % 5);
      }
      CompareRounds(seed, shape, seed % 5 == 0 ? 1 + static_cast<int>(seed % 97) : -1);
    }
  }
}

TEST(FastEngineTest, WideSumsAndTheProblemsOwnTablesMatchTheReference) {
  // A low limit makes the descent switch to 64-bit sums at the start or after some exchange;
  // a tiny budget makes both steps work on the Problem's own tables.
  EngineSettings settings;
  for (uint32_t seed = 300; seed < 360 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    test::RandomProblemShape shape = test::RandomShape(seed, 120);
    shape.max_abs_weight = 2000;
    SetNarrowSumLimit(seed % 2 == 0 ? static_cast<int32_t>(1000 + 700 * (seed % 20)) : 0);
    SetFastTableBudget(seed % 2);
    CompareRounds(seed, shape);
  }
}

// Everything a search leaves behind: its outcome, its best grouping and every save.
auto Search(uint32_t seed, const test::RandomProblemShape& shape, const SearchSteps* steps) {
  Problem p = test::MakeRandomProblem(seed, shape);
  // Every clock reading moves time on, so the saves depend on the exact number of readings.
  test::FakeClock clock(0, 61);
  test::RecordingSink sink(&clock);
  Screen screen;
  std::atomic<int> stop{0};
  SearchEnvironment env{screen, clock, sink, seed * 7919u, &stop, steps};
  const SearchOutcome outcome = RunSearch(p, env);
  std::vector<std::tuple<int32_t, int32_t, int64_t, int64_t, std::vector<int32_t>>> saves;
  for (const test::RecordedSave& s : sink.saves) {
    saves.emplace_back(s.target_status, s.cycle_number, s.best_score, s.at_ms, s.best_assignment);
  }
  return std::tuple(outcome.TargetStatus, outcome.CycleNumber, p.BestScore, p.BestAssignment,
                    p.BestPersonConflict, saves);
}

TEST(FastEngineTest, WholeSearchesMatchTheReference) {
  const SearchSteps reference_steps{reference::ReferenceEvaluateAssignment,
                                    reference::ReferenceSwapDescent};
  for (uint32_t seed = 500; seed < 516; ++seed) {
    const test::RandomProblemShape shape = test::RandomShape(seed, 120);
    const auto ref = Search(seed, shape, &reference_steps);
    EXPECT_FALSE(std::get<5>(ref).empty()) << seed;  // the saves are compared too
    EXPECT_EQ(Search(seed, shape, nullptr), ref) << seed;
  }
}

}  // namespace
}  // namespace quorvale
