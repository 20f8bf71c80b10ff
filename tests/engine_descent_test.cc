// Swap descent and scrambler: the worked examples, and the properties that keep the search
// honest on many random instances.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "engine/initial_assignment.h"
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

// Persons per (group, type): what no exchange or scramble may change.
std::map<std::pair<int, int>, int> GroupTypeCounts(const Problem& p) {
  std::map<std::pair<int, int>, int> counts;
  for (int i = 1; i <= p.PersonCount; ++i) ++counts[{p.Assignment[i], p.Type(i)}];
  return counts;
}

struct Snapshot {
  std::vector<int32_t> table;
  std::vector<int32_t> conflicts;
  int64_t score;
};

Snapshot Take(const Problem& p) {
  return {std::vector<int32_t>(p.GroupConflictTable.data(),
                               p.GroupConflictTable.data() + p.GroupConflictTable.size()),
          p.PersonConflict, p.CurrentScore};
}

void ExpectSameAsFullEvaluation(Problem& p, const std::string& where) {
  const Snapshot kept = Take(p);
  EvaluateAssignment(p);
  const Snapshot fresh = Take(p);
  EXPECT_EQ(kept.score, fresh.score) << where;
  EXPECT_EQ(kept.conflicts, fresh.conflicts) << where;
  EXPECT_EQ(kept.table, fresh.table) << where;
}

Problem FourPersons() {
  Problem p = test::ProblemFromText("4 2 3 2 1 1 1 0", "0 0 1 1 2 1 3 1 4 1");
  p.ConflictMatrix(1, 2) = p.ConflictMatrix(2, 1) = 100;
  p.Assignment = {0, 1, 1, 2, 2};
  EvaluateAssignment(p);
  return p;
}

class CountingMonitor final : public SearchMonitor {
 public:
  void AfterExchange(const Problem& p) override { scores.push_back(p.CurrentScore); }
  bool StopRequested() override { return stop; }
  std::vector<int64_t> scores;
  bool stop = false;
};

TEST(SwapDescentTest, FourPersonWorkedDescent) {
  Problem p = FourPersons();
  ASSERT_EQ(p.CurrentScore, 100);
  CountingMonitor monitor;
  EXPECT_TRUE(SwapDescent(p, &monitor));
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{2, 1, 1, 2}));
  EXPECT_EQ(p.CurrentScore, 0);
  EXPECT_EQ(monitor.scores, (std::vector<int64_t>{0}));  // one exchange, the score already lowered
  ExpectSameAsFullEvaluation(p, "worked descent");
}

TEST(SwapDescentTest, ZeroGainsAndSingleGroupsChangeNothing) {
  Problem p = FourPersons();
  p.ConflictMatrix(1, 2) = p.ConflictMatrix(2, 1) = 0;  // every gain is 0
  EvaluateAssignment(p);
  SwapDescent(p, nullptr);
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 1, 2, 2}));

  Problem one_group =
      test::PreparedProblem("5 3 3 1 1 1 1 0", "0 0 100 1 1 1 2 1 1 3 1 1 4 1 2 5 1 2");
  const std::vector<int32_t> before = one_group.Assignment;
  SwapDescent(one_group, nullptr);
  EXPECT_EQ(one_group.Assignment, before);
}

TEST(SwapDescentTest, PersonsOfDifferentTypesAreNeverExchanged) {
  Problem p = FourPersons();
  p.DataTable(3, 1) = p.DataTable(4, 1) = 2;  // persons 3 and 4 are of the other type
  EvaluateAssignment(p);
  SwapDescent(p, nullptr);
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 1, 2, 2}));
  EXPECT_EQ(p.CurrentScore, 100);
}

TEST(SwapDescentTest, StopsWhenTheMonitorAsks) {
  Problem p = FourPersons();
  CountingMonitor monitor;
  monitor.stop = true;
  EXPECT_FALSE(SwapDescent(p, &monitor));
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 1, 2, 2}));
}

TEST(SwapDescentTest, RandomDescentsEndInExactLocalMinima) {
  for (uint32_t seed = 1; seed <= 120; ++seed) {
    const test::RandomProblemShape shape = test::RandomShape(seed, 45);
    Problem p = test::MakeRandomProblem(seed, shape);
    Lcg15 random(seed);
    for (int round = 0; round < 3; ++round) {
      const auto counts = GroupTypeCounts(p);
      const int64_t before = p.CurrentScore;
      SwapDescent(p, nullptr);
      const std::string where = "seed " + std::to_string(seed) + " round " + std::to_string(round);
      EXPECT_LE(p.CurrentScore, before) << where;
      ExpectSameAsFullEvaluation(p, where);
      EXPECT_EQ(GroupTypeCounts(p), counts) << where;
      for (int k = 1; k < p.PersonCount; ++k) {
        for (int j = k + 1; j <= p.PersonCount; ++j) {
          if (p.Assignment[k] == p.Assignment[j] || p.Type(k) != p.Type(j)) continue;
          ASSERT_LE(SwapGain(p, k, j), 0) << where << " pair " << k << "," << j;
        }
      }
      Scramble(p, 1, 100, random);
      EXPECT_EQ(GroupTypeCounts(p), counts) << where;
      EvaluateAssignment(p);
    }
  }
}

// Seven persons of type 1; persons 2, 5 and 7 are in conflict in groups 1, 2 and 3.
Problem ScramblerExample() {
  Problem p = test::ProblemFromText("7 2 1 3 1 1 1 0", "0 0 1 1 2 1 3 1 4 1 5 1 6 1 7 1");
  p.Assignment = {0, 1, 1, 2, 3, 2, 1, 3};
  p.PersonConflict = {0, 0, 5, 0, 0, 5, 0, 5};
  return p;
}

TEST(ScrambleTest, WorkedExampleShufflesGroupsByKey) {
  Problem p = ScramblerExample();
  test::ScriptedRandom random({300, 100, 200});
  Scramble(p, 1, 0, random);
  EXPECT_EQ(random.draws(), 3);  // rate 0: no draw for persons out of conflict, three keys
  EXPECT_EQ(Persons(p.Assignment), (std::vector<int32_t>{1, 2, 2, 3, 3, 1, 1}));
}

TEST(ScrambleTest, EqualKeysKeepTheirOrder) {
  Problem p = ScramblerExample();
  test::ScriptedRandom random({50, 50, 10});
  Scramble(p, 1, 0, random);
  // Person 7's group (key 10) goes first, then persons 2 and 5 keep their order.
  EXPECT_EQ(p.Assignment[2], 3);
  EXPECT_EQ(p.Assignment[5], 1);
  EXPECT_EQ(p.Assignment[7], 2);
}

TEST(ScrambleTest, DrawsAndChoicesFollowTheRate) {
  // Nobody in conflict and rate 0: nothing drawn, nothing changed.
  Problem calm = ScramblerExample();
  calm.PersonConflict.assign(8, 0);
  test::ScriptedRandom none({});
  Scramble(calm, 1, 0, none);
  EXPECT_EQ(none.draws(), 0);

  // Rate 4: a draw for each of the six persons out of conflict; 3 % 100 + 1 = 4 chooses,
  // 4 % 100 + 1 = 5 does not. Only two are chosen: no keys are drawn and nothing changes.
  Problem two = ScramblerExample();
  two.PersonConflict = {0, 0, 0, 0, 0, 5, 0, 0};
  test::ScriptedRandom rate4({3, 4, 4, 4, 4, 4});
  Scramble(two, 1, 4, rate4);
  EXPECT_EQ(rate4.draws(), 6);
  EXPECT_EQ(Persons(two.Assignment), (std::vector<int32_t>{1, 1, 2, 3, 2, 1, 3}));

  // Rate 100 draws for every person out of conflict and chooses them all.
  Problem all = ScramblerExample();
  test::ScriptedRandom rate100({});
  Scramble(all, 1, 100, rate100);
  EXPECT_EQ(rate100.draws(), 4 + 7);
  // The wrong type is never chosen.
  test::ScriptedRandom other({});
  Scramble(all, 2, 100, other);
  EXPECT_EQ(other.draws(), 0);
}

}  // namespace
}  // namespace quorvale
