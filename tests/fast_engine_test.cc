// The fast engine against the straightforward one: identical tables after every evaluation and
// descent, identical exchanges in the same order, and identical whole searches, on many random
// instances and at every instruction-set level this processor offers.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
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
class EngineSettings {
 public:
  ~EngineSettings() {
    UseFastLevel(FastLevel::kAvx512);
    SetFastTableBudget(0);
    SetNarrowSumLimit(0);
  }
};

std::vector<FastLevel> Levels() {
  std::vector<FastLevel> levels;
  for (FastLevel level : {FastLevel::kPortable, FastLevel::kAvx2, FastLevel::kAvx512}) {
    if (level <= SupportedFastLevel()) levels.push_back(level);
  }
  return levels;
}

std::string LevelName(FastLevel level) {
  return level == FastLevel::kAvx512 ? "avx512" : level == FastLevel::kAvx2 ? "avx2" : "portable";
}

void ExpectSameTables(const Problem& fast, const Problem& ref, const std::string& where) {
  ASSERT_EQ(fast.CurrentScore, ref.CurrentScore) << where;
  ASSERT_EQ(fast.Assignment, ref.Assignment) << where;
  ASSERT_EQ(fast.PersonConflict, ref.PersonConflict) << where;
  const Table2D<int32_t>& a = fast.GroupConflictTable;
  const Table2D<int32_t>& b = ref.GroupConflictTable;
  ASSERT_EQ(a.size(), b.size()) << where;
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a.data()[i], b.data()[i])
        << where << ": row " << i / a.columns() << " column " << i % a.columns();
  }
}

// Records the score and grouping at every exchange, and can ask to stop at its n-th poll. It
// also stops a descent that runs away, as a faulty one whose tables went wrong might.
class Recorder final : public SearchMonitor {
 public:
  explicit Recorder(int stop_at_poll = -1) : stop_at_poll_(stop_at_poll) {}
  void AfterExchange(const Problem& p) override {
    scores.push_back(p.CurrentScore);
    groupings.push_back(p.Assignment);
  }
  bool StopRequested() override { return ++polls == stop_at_poll_ || scores.size() > kRunaway; }
  static constexpr size_t kRunaway = 20000;
  std::vector<int64_t> scores;
  std::vector<std::vector<int32_t>> groupings;
  int polls = 0;

 private:
  int stop_at_poll_;
};

// Scramble, evaluate and descend both twins for a few rounds, comparing after every step.
void CompareRounds(uint32_t seed, const test::RandomProblemShape& shape, int rounds,
                   const std::string& label, int stop_at_poll = -1) {
  Problem fast = test::MakeRandomProblem(seed, shape);
  Problem ref = test::MakeRandomProblem(seed, shape);
  reference::ReferenceEvaluateAssignment(ref);
  const std::string base = label + " seed " + std::to_string(seed) + " N " +
                           std::to_string(shape.persons) + " G " + std::to_string(shape.groups) +
                           " mode " + std::to_string(shape.type_mode);
  ExpectSameTables(fast, ref, base + " first evaluation");
  Lcg15 random_fast(seed);
  Lcg15 random_ref(seed);
  for (int round = 0; round < rounds; ++round) {
    const std::string where = base + " round " + std::to_string(round);
    Recorder fast_log(stop_at_poll);
    Recorder ref_log(stop_at_poll);
    const bool fast_done = SwapDescent(fast, &fast_log);
    const bool ref_done = reference::ReferenceSwapDescent(ref, &ref_log);
    ASSERT_EQ(fast_done, ref_done) << where;
    ASSERT_EQ(fast_log.scores, ref_log.scores) << where;
    ASSERT_EQ(fast_log.groupings, ref_log.groupings) << where;
    ASSERT_EQ(fast_log.polls, ref_log.polls) << where;
    ExpectSameTables(fast, ref, where + " after the descent");
    const int32_t type = round % 2 + 1;
    const int32_t rate = round % 3 == 0 ? 100 : 4 * (round % 3 - 1);
    Scramble(fast, type, rate, random_fast);
    Scramble(ref, type, rate, random_ref);
    EvaluateAssignment(fast);
    reference::ReferenceEvaluateAssignment(ref);
    ExpectSameTables(fast, ref, where + " after the scramble");
  }
}

TEST(FastEngineTest, EvaluationsAndDescentsMatchTheReference) {
  EngineSettings settings;
  for (FastLevel level : Levels()) {
    UseFastLevel(level);
    for (uint32_t seed = 1; seed <= 60; ++seed) {
      test::RandomProblemShape shape = test::RandomShape(seed, seed % 4 == 0 ? 240 : 70);
      shape.max_abs_weight = seed % 3 == 0 ? 3000 : 200;
      CompareRounds(seed, shape, 4, LevelName(level));
      if (HasFatalFailure()) return;
    }
  }
}

TEST(FastEngineTest, EveryLookupWidthAndTypeMix) {
  // Group counts on both sides of each kernel's table sizes, with and without other types.
  EngineSettings settings;
  const int group_counts[] = {1, 2, 7, 8, 15, 16, 31, 32, 50, 63, 64, 90, 130};
  for (FastLevel level : Levels()) {
    UseFastLevel(level);
    uint32_t seed = 100;
    for (const int groups : group_counts) {
      for (int mode = 1; mode <= 3; ++mode) {
        test::RandomProblemShape shape;
        shape.persons = 40 + groups + 3 * mode;
        shape.groups = groups;
        shape.attribute_columns = 4;
        shape.type_mode = mode;
        shape.other_types = mode == 1;
        CompareRounds(++seed, shape, 3, LevelName(level));
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(FastEngineTest, MoreGroupsThanPersonsAndTinyProblems) {
  EngineSettings settings;
  for (FastLevel level : Levels()) {
    UseFastLevel(level);
    for (uint32_t seed = 200; seed < 240; ++seed) {
      test::RandomProblemShape shape;
      shape.persons = 2 + static_cast<int>(seed % 19);
      shape.groups = shape.persons + 1 + static_cast<int>(seed % 5);
      shape.type_mode = 1 + static_cast<int>(seed % 4);
      shape.other_types = seed % 2 == 0;
      CompareRounds(seed, shape, 3, LevelName(level));
      shape.groups = 1 + static_cast<int>(seed % 3);
      CompareRounds(seed, shape, 3, LevelName(level));
      if (HasFatalFailure()) return;
    }
  }
}

TEST(FastEngineTest, WideSumsAndTheProblemsOwnTables) {
  // A low limit makes the descent switch to 64-bit sums at the start or after some exchange;
  // a zero budget makes both steps work on the Problem's own tables.
  EngineSettings settings;
  for (uint32_t seed = 300; seed < 330; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 120);
    shape.max_abs_weight = 2000;
    SetNarrowSumLimit(static_cast<int32_t>(1000 + 700 * (seed % 20)));
    CompareRounds(seed, shape, 3, "narrow limit");
    SetNarrowSumLimit(0);
    SetFastTableBudget(1);
    CompareRounds(seed, shape, 3, "own tables");
    SetFastTableBudget(0);
    if (HasFatalFailure()) return;
  }
}

TEST(FastEngineTest, StoppedDescentsStopAtTheSamePlace) {
  EngineSettings settings;
  for (uint32_t seed = 400; seed < 430; ++seed) {
    test::RandomProblemShape shape = test::RandomShape(seed, 90);
    CompareRounds(seed, shape, 2, "stopped", 1 + static_cast<int>(seed % 97));
    if (HasFatalFailure()) return;
  }
}

// Passes everything on to the search's own monitor, but also stops a runaway descent, so that a
// faulty engine fails the comparison instead of searching for ever.
class RunawayGuard final : public SearchMonitor {
 public:
  explicit RunawayGuard(SearchMonitor* inner) : inner_(inner) {}
  void AfterExchange(const Problem& p) override {
    ++exchanges_;
    inner_->AfterExchange(p);
  }
  bool StopRequested() override { return exchanges_ > 20000 || inner_->StopRequested(); }

 private:
  SearchMonitor* inner_;
  size_t exchanges_ = 0;
};

bool GuardedFastDescent(Problem& p, SearchMonitor* monitor) {
  RunawayGuard guard(monitor);
  return SwapDescent(p, &guard);
}

bool GuardedReferenceDescent(Problem& p, SearchMonitor* monitor) {
  RunawayGuard guard(monitor);
  return reference::ReferenceSwapDescent(p, &guard);
}

// Re-evaluates the grouping at every exchange: the score reported must be exact, and the
// evaluation must not disturb the descent in progress.
class EvaluatingMonitor final : public SearchMonitor {
 public:
  explicit EvaluatingMonitor(Problem& p) : p_(p) {}
  void AfterExchange(const Problem&) override {
    const int64_t reported = p_.CurrentScore;
    EXPECT_EQ(EvaluateAssignment(p_), reported) << "exchange " << exchanges;
    ++exchanges;
  }
  bool StopRequested() override { return exchanges > 20000; }
  int exchanges = 0;

 private:
  Problem& p_;
};

TEST(FastEngineTest, ScoresAreExactAtEveryExchange) {
  EngineSettings settings;
  for (uint32_t seed = 450; seed < 470; ++seed) {
    const test::RandomProblemShape shape = test::RandomShape(seed, 100);
    Problem fast = test::MakeRandomProblem(seed, shape);
    Problem ref = test::MakeRandomProblem(seed, shape);
    EvaluatingMonitor monitor(fast);
    SwapDescent(fast, &monitor);
    reference::ReferenceSwapDescent(ref, nullptr);
    ExpectSameTables(fast, ref, "seed " + std::to_string(seed));
    if (HasFailure()) return;
  }
}

struct SearchRun {
  SearchOutcome outcome;
  Problem problem;
  std::vector<test::RecordedSave> saves;
};

SearchRun Search(uint32_t seed, const test::RandomProblemShape& shape, const SearchSteps* steps,
                 int runs) {
  SearchRun run{{}, test::MakeRandomProblem(seed, shape), {}};
  Problem& p = run.problem;
  p.params.RunCount = runs;
  p.params.StagesPerRun = 2;
  p.params.FocusCycles = 2;
  p.params.SpreadCycles = 2;
  SetUpStartValues(p);
  // Every clock reading moves time on, so the saves depend on the exact number of readings.
  test::FakeClock clock(0, 61);
  test::RecordingSink sink(&clock);
  Screen screen;
  std::atomic<int> stop{0};
  SearchEnvironment env{screen, clock, sink, seed * 7919u, &stop, steps};
  run.outcome = RunSearch(p, env);
  run.saves = sink.saves;
  return run;
}

void ExpectSameSearch(const SearchRun& fast, const SearchRun& ref, const std::string& where) {
  EXPECT_EQ(fast.outcome.TargetStatus, ref.outcome.TargetStatus) << where;
  EXPECT_EQ(fast.outcome.CycleNumber, ref.outcome.CycleNumber) << where;
  EXPECT_EQ(fast.problem.BestScore, ref.problem.BestScore) << where;
  EXPECT_EQ(fast.problem.BestAssignment, ref.problem.BestAssignment) << where;
  EXPECT_EQ(fast.problem.BestPersonConflict, ref.problem.BestPersonConflict) << where;
  ASSERT_EQ(fast.saves.size(), ref.saves.size()) << where;
  for (size_t i = 0; i < ref.saves.size(); ++i) {
    EXPECT_EQ(fast.saves[i].cycle_number, ref.saves[i].cycle_number) << where;
    EXPECT_EQ(fast.saves[i].best_score, ref.saves[i].best_score) << where;
    EXPECT_EQ(fast.saves[i].at_ms, ref.saves[i].at_ms) << where;
    EXPECT_EQ(fast.saves[i].best_assignment, ref.saves[i].best_assignment) << where;
  }
}

TEST(FastEngineTest, WholeSearchesMatchTheReference) {
  EngineSettings settings;
  const SearchSteps reference_steps{reference::ReferenceEvaluateAssignment,
                                    GuardedReferenceDescent};
  const SearchSteps fast_steps{EvaluateAssignment, GuardedFastDescent};
  for (uint32_t seed = 500; seed < 516; ++seed) {
    const test::RandomProblemShape shape = test::RandomShape(seed, 120);
    const int runs = 1 + static_cast<int>(seed % 7);
    const SearchRun ref = Search(seed, shape, &reference_steps, runs);
    ExpectSameSearch(Search(seed, shape, &fast_steps, runs), ref, "seed " + std::to_string(seed));
    if (HasFailure()) return;
    // The program's own choice of steps, now known to end.
    ExpectSameSearch(Search(seed, shape, nullptr, runs), ref,
                     "default seed " + std::to_string(seed));
  }
}

}  // namespace
}  // namespace quorvale
