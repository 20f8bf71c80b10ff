// The fast descent's type order and the evaluation after a scramble's moves: the order itself,
// and exchanges and tables equal to the straightforward engine's with several types, with more
// types than the descent defers updates for, and with types changed after the order was made.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "engine/conflict_matrix.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "engine/plain_engine.h"
#include "engine/random.h"
#include "engine/scrambler.h"
#include "engine/swap_descent.h"
#include "tests/support/group_table_cells.h"
#include "tests/support/kernel_levels.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

auto Tables(const Problem& p) {
  return std::tuple(p.CurrentScore, p.Assignment, p.PersonConflict,
                    test::GroupTableCells(p.GroupConflictTable));
}

// Every exchange with its score and grouping, and the polls.
struct ExchangeLog final : SearchMonitor {
  void AfterExchange(const Problem& p) override {
    exchanges.emplace_back(p.CurrentScore, p.Assignment);
  }
  bool StopRequested() override { return ++polls == stop_at_poll || exchanges.size() > 20000; }
  std::vector<std::pair<int64_t, std::vector<int32_t>>> exchanges;
  int polls = 0;
  int stop_at_poll = -1;
};

// Random data whose persons have types 1..`types` in turn, built, dealt and started with `engine`.
Problem WithTypes(uint32_t seed, int persons, int groups, int types, const Engine& engine) {
  test::RandomProblemShape shape;
  shape.persons = persons;
  shape.groups = groups;
  shape.attribute_columns = 4;
  Problem p = test::RandomData(seed, shape);
  for (int i = 1; i <= persons; ++i)
    p.DataTable(i, 1) = 1 + (i * 7 + static_cast<int>(seed)) % types;
  EXPECT_TRUE(BuildConflictMatrix(p).ok());
  DealInitialAssignment(p);
  SetUpStartValues(p, engine);
  return p;
}

// Made by the first fast descent.
Problem Descended(Problem p, const Engine& engine) {
  EXPECT_FALSE(p.PersonsByType.Fits(p));
  SwapDescent(p, engine, nullptr);
  return p;
}

TEST(TypeOrderTest, PersonsByTypeWithTheMatrixInThatOrder) {
  const Engine engine(SupportedKernelLevel());
  Problem p = Descended(WithTypes(3, 9, 2, 2, engine), engine);
  const TypeOrder& order = p.PersonsByType;
  ASSERT_TRUE(order.Fits(p));
  std::vector<int32_t> expected;
  for (const int type : {1, 2}) {
    for (int i = 1; i <= 9; ++i) {
      if (p.Type(i) == type) expected.push_back(i);
    }
  }
  int32_t ones = 0;
  for (int i = 1; i <= 9; ++i) ones += p.Type(i) == 1;
  for (int32_t a = 1; a <= 9; ++a) {
    const int32_t person = order.person_at()[a];
    EXPECT_EQ(person, expected[static_cast<size_t>(a - 1)]);
    EXPECT_EQ(order.position_of()[person], a);
    EXPECT_EQ(order.run_end()[a], a <= ones ? ones : 9);
    for (int32_t b = 1; b <= 9; ++b) {
      EXPECT_EQ(order.matrix()(a, b), p.ConflictMatrix(person, order.person_at()[b]));
    }
  }
  p.DataTable(expected.front(), 1) = 2;
  EXPECT_FALSE(order.Fits(p));
  // One type, or the plain engine: no order.
  Problem one_type = Descended(WithTypes(3, 9, 2, 1, engine), engine);
  EXPECT_FALSE(one_type.PersonsByType.Fits(one_type));
  const Engine plain(KernelLevel::kPlain);
  Problem with_plain = Descended(WithTypes(3, 9, 2, 2, plain), plain);
  EXPECT_FALSE(with_plain.PersonsByType.Fits(with_plain));
  // The start values clear it.
  SetUpStartValues(p, engine);
  EXPECT_FALSE(p.PersonsByType.Fits(p));
}

class TypeOrderDescentTest : public ::testing::TestWithParam<KernelLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > SupportedKernelLevel()) GTEST_SKIP() << "not on this processor";
  }
  // Descends and scrambles `fast` with the fast engine and its twin with the plain one.
  void CompareDescents(Problem& fast, Problem& ref, uint32_t seed, int stop_at_poll) {
    const Engine engine(GetParam());
    Lcg15 random_fast(seed);
    Lcg15 random_ref(seed);
    for (int round = 0; round < 3; ++round) {
      ExchangeLog fast_log;
      ExchangeLog ref_log;
      fast_log.stop_at_poll = ref_log.stop_at_poll = stop_at_poll;
      ASSERT_EQ(SwapDescent(fast, engine, &fast_log), PlainSwapDescent(ref, &ref_log));
      ASSERT_EQ(fast_log.exchanges, ref_log.exchanges) << "round " << round;
      ASSERT_EQ(fast_log.polls, ref_log.polls);
      ASSERT_EQ(Tables(fast), Tables(ref)) << "round " << round;
      Scramble(fast, round % 2 + 1, 100, random_fast);
      Scramble(ref, round % 2 + 1, 100, random_ref);
      EvaluateAssignment(fast, engine);
      PlainEvaluateAssignment(ref);
    }
  }
};

TEST_P(TypeOrderDescentTest, SeveralTypesKeepTheExchangesOfThePlainEngine) {
  // Types 3 and up are never dealt and stay in group 0; with five types there are more runs than
  // the descent defers updates for. Some descents are stopped part way.
  for (uint32_t seed = 1; seed <= 24 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const int types = 2 + static_cast<int>(seed % 4);
    const int persons = 30 + static_cast<int>(seed * 7 % 90);
    const int groups = 2 + static_cast<int>(seed % 9);
    Problem fast = WithTypes(seed, persons, groups, types, Engine(GetParam()));
    Problem ref = WithTypes(seed, persons, groups, types, Engine(KernelLevel::kPlain));
    CompareDescents(fast, ref, seed, seed % 5 == 0 ? 1 + static_cast<int>(seed * 13 % 90) : -1);
    EXPECT_TRUE(fast.PersonsByType.Fits(fast));
  }
}

TEST_P(TypeOrderDescentTest, TypesChangedBetweenDescentsRemakeTheOrder) {
  const Engine engine(GetParam());
  for (uint32_t seed = 40; seed < 48 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    Problem fast = Descended(WithTypes(seed, 70, 4, 2, engine), engine);
    Problem ref = Descended(WithTypes(seed, 70, 4, 2, engine), Engine(KernelLevel::kPlain));
    for (Problem* p : {&fast, &ref}) p->DataTable(5, 1) = 3 - p->Type(5);
    ASSERT_FALSE(fast.PersonsByType.Fits(fast));
    CompareDescents(fast, ref, seed, -1);
    EXPECT_TRUE(fast.PersonsByType.Fits(fast));
  }
}

TEST_P(TypeOrderDescentTest, EvaluationAfterMovesEqualsAFreshOne) {
  // Spread rates move a few persons; a full scramble moves most, and the whole sum is taken.
  const Engine engine(GetParam());
  for (uint32_t seed = 60; seed < 72 && !HasFatalFailure(); ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    Problem moved = WithTypes(seed, 150, 3 + static_cast<int>(seed % 20), 2, engine);
    Problem fresh = WithTypes(seed, 150, 3 + static_cast<int>(seed % 20), 2, engine);
    Lcg15 random(seed);
    int32_t type = 1;
    for (const int32_t rate : {0, 4, 100, 4}) {
      ASSERT_TRUE(SwapDescent(moved, engine, nullptr));
      const std::vector<int32_t> before = moved.Assignment;
      Scramble(moved, type, rate, random);
      type = 3 - type;
      EvaluateAfterMoves(moved, engine, before);
      fresh.Assignment = moved.Assignment;
      EvaluateAssignment(fresh, engine);
      ASSERT_EQ(Tables(moved), Tables(fresh)) << "rate " << rate;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, TypeOrderDescentTest, test::FastKernelLevels(),
                         test::KernelLevelTestName);

}  // namespace
}  // namespace quorvale
