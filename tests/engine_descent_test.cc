// Swap descent and scrambler: the worked examples, and the properties that keep the search
// honest on many random instances.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "engine/initial_assignment.h"
#include "engine/random.h"
#include "engine/scrambler.h"
#include "engine/swap_descent.h"
#include "tests/support/bounded_monitor.h"
#include "tests/support/fakes.h"
#include "tests/support/group_table_cells.h"
#include "tests/support/problem_text.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

std::vector<int32_t> Persons(const std::vector<int32_t>& table) {
  return std::vector<int32_t>(table.begin() + 1, table.end());
}

// Persons per (group, type): what no exchange or scramble may change.
std::map<std::pair<int, int>, int> GroupTypeCounts(const Problem& p) {
  std::map<std::pair<int, int>, int> counts;
  for (int i = 1; i <= p.PersonCount(); ++i) ++counts[{p.Assignment[i], p.Type(i)}];
  return counts;
}

class StopAtOnce final : public SearchMonitor {
 public:
  void AfterExchange(const Problem&) override {}
  bool StopRequested() override { return true; }
};

TEST(SwapDescentTest, FourPersonWorkedDescent) {
  Problem p = test::ProblemFromText("4 2 3 2 1 1 1 0", "0 0 1 1 2 1 3 1 4 1");
  p.ConflictMatrix(1, 2) = p.ConflictMatrix(2, 1) = 100;
  p.Assignment = {0, 1, 1, 2, 2};
  Engine engine(SupportedKernelLevel());
  test::BoundedMonitor bound;
  EvaluateAssignment(p, engine);
  StopAtOnce stop;
  EXPECT_FALSE(SwapDescent(p, engine, &stop));
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 1, 2, 2}));
  p.DataTable(3, 1) = 2;  // of another type, person 3 cannot take person 1's place
  EXPECT_TRUE(SwapDescent(p, engine, &bound));
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{2, 1, 2, 1}));
  p.DataTable(3, 1) = 1;
  p.Assignment = {0, 1, 1, 2, 2};
  EvaluateAssignment(p, engine);
  EXPECT_TRUE(SwapDescent(p, engine, &bound));
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{2, 1, 1, 2}));
  EXPECT_EQ(p.CurrentScore, 0);
}

TEST(SwapDescentTest, RandomDescentsEndInExactLocalMinima) {
  Engine engine(SupportedKernelLevel());
  for (uint32_t seed = 1; seed <= 120; ++seed) {
    Problem p = test::MakeRandomProblem(seed, test::RandomShape(seed, 45));
    Lcg15 random(seed);
    const auto counts = GroupTypeCounts(p);
    for (int round = 0; round < 3; ++round) {
      test::BoundedMonitor bound;
      ASSERT_TRUE(SwapDescent(p, engine, &bound)) << "seed " << seed << ": the descent ran away";
      const std::vector<int32_t> table = test::GroupTableCells(p.GroupConflictTable);
      const std::vector<int32_t> conflicts = p.PersonConflict;
      const int64_t score = p.CurrentScore;
      EXPECT_EQ(EvaluateAssignment(p, engine), score) << "seed " << seed;
      EXPECT_EQ(p.PersonConflict, conflicts) << "seed " << seed;
      EXPECT_EQ(test::GroupTableCells(p.GroupConflictTable), table) << "seed " << seed;
      for (int k = 1; k < p.PersonCount(); ++k) {
        for (int j = k + 1; j <= p.PersonCount(); ++j) {
          if (p.Assignment[k] == p.Assignment[j] || p.Type(k) != p.Type(j)) continue;
          ASSERT_LE(SwapGain(p, k, j), 0) << "seed " << seed << " pair " << k << "," << j;
        }
      }
      Scramble(p, 1 + round % 2, 100, random);
      EXPECT_EQ(GroupTypeCounts(p), counts) << "seed " << seed;
      EvaluateAssignment(p, engine);
    }
  }
}

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

}  // namespace
}  // namespace quorvale
