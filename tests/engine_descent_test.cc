// Swap descent, scrambler and evaluation: the scrambler's worked example, and the fast engine at
// each kernel level against the straightforward one on many random instances: the same exchanges
// in the same order, the same tables after every descent, scramble and evaluation, and exact
// local minima. (The golden run holds whole searches at every level to one file.) A level this
// processor cannot run reports itself skipped.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/initial_assignment.h"
#include "engine/plain_engine.h"
#include "engine/random.h"
#include "engine/scrambler.h"
#include "engine/swap_descent.h"
#include "tests/support/fakes.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

std::vector<int32_t> Persons(const std::vector<int32_t>& table) {
  return std::vector<int32_t>(table.begin() + 1, table.end());
}

// What an evaluation or a descent leaves in the Problem, the group table cell by cell.
auto Tables(const Problem& p) {
  const GroupTable& table = p.GroupConflictTable;
  std::vector<int32_t> cells;
  for (int g = 0; g < table.groups(); ++g) {
    cells.insert(cells.end(), table.Column(g), table.Column(g) + table.persons());
  }
  return std::tuple(p.CurrentScore, p.Assignment, p.PersonConflict, cells);
}

// Persons per (group, type): what no exchange or scramble may change.
std::map<std::pair<int, int>, int> GroupTypeCounts(const Problem& p) {
  std::map<std::pair<int, int>, int> counts;
  for (int i = 1; i <= p.PersonCount(); ++i) ++counts[{p.Assignment[i], p.Type(i)}];
  return counts;
}

// Records every exchange and the polls, stops at its `stop_at`-th poll, and stops a descent that
// runs away, as one whose tables went wrong might.
struct Recorder final : SearchMonitor {
  explicit Recorder(int stop_at = -1) : stop_at_poll(stop_at) {}
  void AfterExchange(const Problem& p) override {
    exchanges.emplace_back(p.CurrentScore, p.Assignment);
  }
  bool StopRequested() override { return ++polls == stop_at_poll || exchanges.size() > 20000; }
  int stop_at_poll;
  std::vector<std::pair<int64_t, std::vector<int32_t>>> exchanges;
  int polls = 0;
};

TEST(ScrambleTest, WorkedExampleAndDraws) {
  // Persons 2, 5 and 7 are in conflict in groups 1, 2 and 3; keys 300, 100 and 200.
  Problem p = test::ProblemFromText("7 2 1 3 1 1 1 0", "0 0 1 1 2 1 3 1 4 1 5 1 6 1 7 1");
  const std::vector<int32_t> dealt = {0, 1, 1, 2, 3, 2, 1, 3};
  p.Assignment = dealt;
  p.PersonConflict = {0, 0, 5, 0, 0, 5, 0, 5};
  test::ScriptedRandom keys({300, 100, 200});
  Scramble(p, 1, 0, keys);
  EXPECT_EQ(keys.draws, 3);  // rate 0 draws for nobody out of conflict
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 2, 2, 3, 3, 1, 1}));
  // Equal keys keep their order: person 7's group (key 10) goes first.
  p.Assignment = dealt;
  test::ScriptedRandom equal({50, 50, 10});
  Scramble(p, 1, 0, equal);
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 3, 2, 3, 1, 1, 2}));
  // Rate 4: one draw per person out of conflict; only 3 % 100 + 1 = 4 chooses. With two chosen,
  // no key is drawn and nothing changes.
  p.Assignment = dealt;
  p.PersonConflict = {0, 0, 0, 0, 0, 5, 0, 0};
  test::ScriptedRandom rate4({3, 4, 4, 4, 4, 4});
  Scramble(p, 1, 4, rate4);
  EXPECT_EQ(rate4.draws, 6);
  EXPECT_EQ(p.Assignment, dealt);
  test::ScriptedRandom other_type({});
  Scramble(p, 2, 100, other_type);
  EXPECT_EQ(other_type.draws, 0);
}

class FastEngineTest : public ::testing::TestWithParam<KernelLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > SupportedKernelLevel()) {
      GTEST_SKIP() << KernelLevelName(GetParam()) << " kernels do not run on this processor";
    }
  }
  // Three rounds of descending, scrambling and evaluating one problem `make` makes with this
  // level's engine and another with the plain one, compared after every step. A descent may be
  // stopped at a poll; with `flip`, that person changes type after the first round, so that the
  // type order is made anew.
  void CompareRounds(const std::function<Problem()>& make, uint32_t seed, EngineLimits limits = {},
                     int stop_at = -1, int flip = 0) {
    const Engine engine(GetParam(), limits);
    ASSERT_EQ(engine.level(), GetParam());
    Problem fast = make();
    Problem ref = make();
    EvaluateAssignment(fast, engine);
    PlainEvaluateAssignment(ref);
    ASSERT_EQ(Tables(fast), Tables(ref)) << "dealt";
    Lcg15 random_fast(seed);
    Lcg15 random_ref(seed);
    for (int round = 0; round < 3; ++round) {
      Recorder fast_log(stop_at);
      Recorder ref_log(stop_at);
      auto counts = GroupTypeCounts(ref);
      const bool finished = PlainSwapDescent(ref, &ref_log);
      ASSERT_EQ(GroupTypeCounts(ref), counts) << "descended in round " << round;
      ASSERT_EQ(SwapDescent(fast, engine, &fast_log), finished);
      ASSERT_EQ(fast_log.exchanges, ref_log.exchanges) << "round " << round;
      ASSERT_EQ(fast_log.polls, ref_log.polls) << "round " << round;
      ASSERT_EQ(Tables(fast), Tables(ref)) << "descended in round " << round;
      if (finished) ExpectExactLocalMinimum(ref);
      if (round == 0 && flip > 0) {
        for (Problem* p : {&fast, &ref}) p->DataTable(flip, 1) = p->Type(flip) == 1 ? 2 : 1;
      }
      counts = GroupTypeCounts(ref);
      const std::vector<int32_t> before = fast.Assignment;
      const int32_t rate = round == 0 ? 100 : 4 * round - 4;
      Scramble(fast, round % 2 + 1, rate, random_fast);
      Scramble(ref, round % 2 + 1, rate, random_ref);
      ASSERT_EQ(GroupTypeCounts(ref), counts) << "scrambled in round " << round;
      EvaluateAfterMoves(fast, engine, before);
      PlainEvaluateAssignment(ref);
      ASSERT_EQ(Tables(fast), Tables(ref)) << "scrambled in round " << round;
    }
  }
  // The tables of a finished descent are those of a fresh evaluation, and no exchange gains.
  static void ExpectExactLocalMinimum(Problem& p) {
    const auto descended = Tables(p);
    PlainEvaluateAssignment(p);
    ASSERT_EQ(Tables(p), descended) << "the descent's tables drifted";
    for (int k = 1; k < p.PersonCount(); ++k) {
      for (int j = k + 1; j <= p.PersonCount(); ++j) {
        if (p.Assignment[k] == p.Assignment[j] || p.Type(k) != p.Type(j)) continue;
        ASSERT_LE(SwapGain(p, k, j), 0) << "persons " << k << " and " << j;
      }
    }
  }
};

TEST_P(FastEngineTest, TablesMatchTheReferenceAfterEveryStep) {
  // Group counts on both sides of each kernel's lookup sizes, more groups than persons, several
  // types (more than the descent defers updates for), a low limit that makes the descent sum in
  // 64 bits from the start or after some exchange, and random shapes; some descents are stopped
  // part way, and some persons change type between descents.
  const int kGroups[] = {1, 2, 7, 8, 15, 16, 31, 32, 50, 63, 64, 90, 127, 130};
  for (uint32_t seed = 1; seed <= 120 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    test::RandomProblemShape shape = test::RandomShape(seed, seed % 4 == 0 ? 240 : 70);
    shape.max_abs_weight = seed % 3 == 0 ? 3000 : 200;
    if (seed <= 28) {
      shape.groups = kGroups[seed % 14];
      shape.persons = 40 + shape.groups + static_cast<int>(seed % 4);
    } else if (seed % 3 == 0) {
      shape.persons = 2 + static_cast<int>(seed % 19);
      shape.groups = shape.persons + 1 + static_cast<int>(seed % 5);
    } else if (seed % 3 == 1) {
      shape.types = 2 + static_cast<int>(seed % 4);
      shape.persons = 30 + static_cast<int>(seed * 7 % 90);
      shape.groups = 2 + static_cast<int>(seed % 9);
    }
    EngineLimits limits;
    if (seed % 4 == 2) limits.narrow_sum_limit = static_cast<int32_t>(1000 + 700 * (seed % 20));
    const int stop_at = seed % 5 == 0 ? 1 + static_cast<int>(seed % 97) : -1;
    const int flip = seed % 6 == 4 && shape.persons >= 5 ? 5 : 0;
    CompareRounds([&] { return test::MakeRandomProblem(seed, shape); }, seed, limits, stop_at,
                  flip);
  }
}

TEST_P(FastEngineTest, ManyPersonTypesUseThePlainEngine) {
  // Beyond 100 distinct person types the fast descent cannot tell them apart; the plain engine
  // takes over and the results stay the same.
  CompareRounds(
      [] {
        Problem p = test::MakeRandomProblem(41, {150, 5, 3, 1, false, 200});
        for (int r = 1; r <= p.PersonCount(); ++r) p.DataTable(r, 1) = 3 + r % 120;
        return p;
      },
      41);
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
    Recorder fast_log;
    Recorder ref_log;
    ASSERT_TRUE(PlainSwapDescent(ref, &ref_log));
    ASSERT_FALSE(ref_log.exchanges.empty());
    ASSERT_TRUE(SwapDescent(fast, Engine(GetParam()), &fast_log));
    EXPECT_EQ(fast_log.exchanges, ref_log.exchanges);
    EXPECT_EQ(Tables(fast), Tables(ref));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, FastEngineTest,
    testing::Values(KernelLevel::kPortable, KernelLevel::kAvx2, KernelLevel::kAvx512),
    [](const testing::TestParamInfo<KernelLevel>& level) {
      return std::string(level.index == 0 ? "Portable" : level.index == 1 ? "Avx2" : "Avx512");
    });

}  // namespace
}  // namespace quorvale
