// The deep search: its chain's tables against a full evaluation, its descent's local optima,
// brute-forced optima of small instances, several threads, and the rules of its rounds. (The
// run loop's contract, which it shares with the classic search, is search_contract_test.cc.)
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "engine/deep_chain.h"
#include "engine/deep_tuning.h"
#include "engine/initial_assignment.h"
#include "engine/run_loop.h"
#include "tests/support/quiet_search.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

// Scores `assignment` in full with the problem's own evaluation, leaving its PersonConflict in
// `conflicts`; the problem's grouping and tables are as before.
int64_t FullScore(Problem& p, const std::vector<int32_t>& assignment,
                  std::vector<int32_t>* conflicts = nullptr) {
  const std::vector<int32_t> kept = p.Assignment;
  std::copy(assignment.begin() + 1, assignment.end(), p.Assignment.begin() + 1);
  Engine engine(KernelLevel::kPlain);
  const int64_t score = EvaluateAssignment(p, engine);
  if (conflicts != nullptr) *conflicts = p.PersonConflict;
  p.Assignment = kept;
  EvaluateAssignment(p, engine);
  return score;
}

// Persons of each (group, type): what no exchange may change.
std::map<std::pair<int32_t, int32_t>, int> GroupTypeCounts(const Problem& p,
                                                           const std::vector<int32_t>& grouping) {
  std::map<std::pair<int32_t, int32_t>, int> counts;
  for (int r = 1; r <= p.PersonCount(); ++r)
    ++counts[{grouping[static_cast<size_t>(r)], p.Type(r)}];
  return counts;
}

// In person order and, where the persons have more than one type, in type order.
class DeepChainLayoutTest : public testing::TestWithParam<bool> {};

TEST_P(DeepChainLayoutTest, TablesStayExactThroughExchangesDescentsAndReverts) {
  int local_moves = 0;
  int scrambled = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const test::RandomProblemShape shape = test::RandomShape(seed, 30);
    Problem p = test::MakeRandomProblem(seed, shape);
    if (GetParam()) p.PersonsByType.Build(p);
    DeepChain chain(p, seed);
    chain.Load(p.Assignment);
    const auto counts = GroupTypeCounts(p, p.Assignment);
    ASSERT_EQ(chain.score(), p.CurrentScore) << seed;
    ASSERT_TRUE(chain.Descend([] { return true; }));
    // A finished descent leaves no exchange that gains.
    for (int k = 1; k <= p.PersonCount(); ++k) {
      for (int j = 1; j <= p.PersonCount(); ++j) {
        const int32_t gk = chain.assignment()[static_cast<size_t>(k)];
        const int32_t gj = chain.assignment()[static_cast<size_t>(j)];
        if (gk == 0 || gj == 0 || gk == gj || p.Type(k) != p.Type(j)) continue;
        if (p.Type(k) != 1 && p.Type(k) != 2) continue;
        ASSERT_LE(chain.Gain(k, j), 0) << seed << ": " << k << " with " << j;
      }
    }
    const std::vector<int32_t> optimum = chain.assignment();
    const int64_t optimum_score = chain.score();
    chain.Mark();
    chain.Perturb(5);
    EXPECT_EQ(chain.score(), FullScore(p, chain.assignment())) << seed;
    EXPECT_EQ(GroupTypeCounts(p, chain.assignment()), counts) << seed;
    chain.Revert();
    EXPECT_EQ(chain.assignment(), optimum) << seed;
    EXPECT_EQ(chain.score(), optimum_score) << seed;
    // The local perturbation moves persons among three groups only.
    chain.Mark();
    chain.PerturbAmong(6, 3);
    std::set<int32_t> touched;
    for (int r = 1; r <= p.PersonCount(); ++r) {
      if (chain.assignment()[static_cast<size_t>(r)] != optimum[static_cast<size_t>(r)]) {
        touched.insert(optimum[static_cast<size_t>(r)]);
        touched.insert(chain.assignment()[static_cast<size_t>(r)]);
      }
    }
    EXPECT_LE(touched.size(), 3u) << seed;
    local_moves += touched.empty() ? 0 : 1;
    EXPECT_EQ(chain.score(), FullScore(p, chain.assignment())) << seed;
    EXPECT_EQ(GroupTypeCounts(p, chain.assignment()), counts) << seed;
    chain.Revert();
    EXPECT_EQ(chain.assignment(), optimum) << seed;
    // The conflict scramble.
    chain.Mark();
    chain.ScrambleConflicts(1024);
    scrambled += chain.assignment() != optimum ? 1 : 0;
    EXPECT_EQ(chain.score(), FullScore(p, chain.assignment())) << seed;
    EXPECT_EQ(GroupTypeCounts(p, chain.assignment()), counts) << seed;
    chain.Revert();
    EXPECT_EQ(chain.assignment(), optimum) << seed;
    std::vector<int32_t> conflicts;
    chain.CopyPersonConflicts(conflicts);
    std::vector<int32_t> full_conflicts;
    FullScore(p, chain.assignment(), &full_conflicts);
    EXPECT_EQ(conflicts, full_conflicts) << seed;
  }
  EXPECT_GT(local_moves, 20);  // most shapes have persons to move
  EXPECT_GT(scrambled, 3);     // some have three persons in conflict in one class
}

INSTANTIATE_TEST_SUITE_P(Layouts, DeepChainLayoutTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& layout) {
                           return layout.param ? "TypeOrder" : "PersonOrder";
                         });

// A scramble whose share would choose none of the persons in conflict sweeps them all, with a
// few others, where they are few (after a descent: none or a handful), and leaves the grouping
// alone where they are many (a random deal); the tables stay exact either way.
TEST(DeepChainTest, AScrambleSweepsOnlyAFewPersonsInConflict) {
  int moved_many = 0;
  int moved_few = 0;
  for (uint32_t seed = 1; seed <= 10; ++seed) {
    Problem p = test::MakeRandomProblem(seed, {400, 50, 12, 1, false, 200});
    DeepChain chain(p, seed);
    chain.Load(p.Assignment);
    const auto counts = GroupTypeCounts(p, p.Assignment);
    for (int* moved : {&moved_many, &moved_few}) {
      if (moved == &moved_few) {
        ASSERT_TRUE(chain.Descend([] { return true; }));
      }
      const std::vector<int32_t> before = chain.assignment();
      chain.ScrambleConflicts(1);
      *moved += chain.assignment() != before ? 1 : 0;
      EXPECT_EQ(chain.score(), FullScore(p, chain.assignment())) << seed;
      EXPECT_EQ(GroupTypeCounts(p, chain.assignment()), counts) << seed;
    }
  }
  EXPECT_LE(moved_many, 2);
  EXPECT_GE(moved_few, 8);
}

// A round starts from a quarter of the persons exchanged where groups hold 25 or more, from less
// the smaller they are, never from less than the weak perturbation; many groups, more patience.
TEST(DeepTuningTest, StrengthsFollowTheGroupSize) {
  struct Case {
    DeepShape shape;
    int32_t strong_min;
    int32_t patience;
  };
  for (const Case& c : {Case{{1000, 20}, 250, 10}, Case{{800, 32}, 200, 10},
                        Case{{800, 64}, 50, 16}, Case{{540, 120}, 5, 30}, Case{{0, 0}, 5, 10}}) {
    const DeepTuning t = TuningFor(c.shape);
    EXPECT_EQ(t.strong_min, c.strong_min) << c.shape.movers << " in " << c.shape.groups;
    EXPECT_EQ(t.patience, c.patience) << c.shape.movers << " in " << c.shape.groups;
    EXPECT_LE(t.weak_min, t.weak_max);
    EXPECT_LE(t.strong_min, t.strong_max);
  }
}

// The crossover against a parent that is the chain's grouping with a few exchanges made and its
// groups renumbered: the matching must see through the numbering, keep every person both
// parents place alike, and deal the others only the groups they held, with exact tables.
TEST(DeepChainTest, CrossoverKeepsSharedPlacementsGroupsAndTypes) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    Problem p =
        test::MakeRandomProblem(seed, {60, 6, 4, 1 + static_cast<int>(seed % 3), true, 300});
    DeepChain chain(p, seed);
    chain.Load(p.Assignment);
    ASSERT_TRUE(chain.Descend([] { return true; }));
    const std::vector<int32_t> parent = chain.assignment();
    const auto counts = GroupTypeCounts(p, parent);

    DeepChain mate_chain(p, seed + 100);
    mate_chain.Load(parent);
    mate_chain.Perturb(4);
    std::vector<int32_t> mate = mate_chain.assignment();
    const int32_t groups = p.GroupCount();
    std::vector<int32_t> label(static_cast<size_t>(groups) + 1, 0);  // a rotation of the numbers
    for (int32_t g = 1; g <= groups; ++g) label[static_cast<size_t>(g)] = g % groups + 1;
    for (size_t r = 1; r < mate.size(); ++r) mate[r] = label[static_cast<size_t>(mate[r])];

    if (seed % 2 == 0) {
      chain.CrossWith(mate);
    } else {  // the chain's own grouping renumbered: nothing to deal again
      std::vector<int32_t> same = parent;
      for (size_t r = 1; r < same.size(); ++r) same[r] = label[static_cast<size_t>(same[r])];
      chain.CrossWith(same);
      EXPECT_EQ(chain.assignment(), parent) << seed;
    }
    const std::vector<int32_t>& child = chain.assignment();
    std::multiset<int32_t> held;
    std::multiset<int32_t> dealt;
    for (int32_t r = 1; r <= p.PersonCount(); ++r) {
      const size_t i = static_cast<size_t>(r);
      if (label[static_cast<size_t>(parent[i])] == mate[i]) {
        EXPECT_EQ(child[i], parent[i]) << seed << ": person " << r;
      } else {
        held.insert(parent[i] * 3 + p.Type(r));
        dealt.insert(child[i] * 3 + p.Type(r));
      }
    }
    EXPECT_EQ(held, dealt) << seed;
    EXPECT_EQ(GroupTypeCounts(p, child), counts) << seed;
    EXPECT_EQ(chain.score(), FullScore(p, child)) << seed;
    ASSERT_TRUE(chain.Descend([] { return true; }));
    EXPECT_EQ(chain.score(), FullScore(p, chain.assignment())) << seed;
  }
}

// Every scan, narrow or wide, plain or vector, with a permuted or gathered lookup, in person or
// type order, takes the same first gaining partner.
TEST(DeepChainTest, EveryScanMakesTheSameExchanges) {
  for (const int groups : {6, 40}) {
    for (const bool type_order : {false, true}) {
      Problem p = test::MakeRandomProblem(9, {200, groups, 4, 1, false, 300});
      if (type_order) p.PersonsByType.Build(p);
      DeepChain vector(p, 5);
      DeepChain plain(p, 5, DeepChain::kNarrowRowSum, KernelLevel::kPlain);
      DeepChain wide(p, 5, 0);  // every scan in 64 bits
      for (DeepChain* chain : {&vector, &plain, &wide}) {
        chain->Load(p.Assignment);
        chain->Perturb(40);
        ASSERT_TRUE(chain->Descend([] { return true; }));
      }
      EXPECT_EQ(plain.assignment(), vector.assignment()) << groups << " " << type_order;
      EXPECT_EQ(wide.assignment(), vector.assignment()) << groups << " " << type_order;
      EXPECT_EQ(wide.score(), vector.score()) << groups << " " << type_order;
      EXPECT_EQ(vector.score(), FullScore(p, vector.assignment()));
    }
  }
}

// The best score over every grouping with the dealt group sizes and type counts: all
// permutations of each type's group numbers among its persons.
int64_t BruteForceOptimum(Problem& p) {
  const std::vector<int32_t> dealt = p.Assignment;
  Engine engine(KernelLevel::kPlain);
  std::vector<int> movers[2];
  for (int r = 1; r <= p.PersonCount(); ++r) {
    const int32_t type = p.Type(r);
    if (p.Assignment[static_cast<size_t>(r)] != 0 && (type == 1 || type == 2)) {
      movers[type - 1].push_back(r);
    }
  }
  std::vector<int32_t> groups[2];
  for (int t = 0; t < 2; ++t) {
    for (int r : movers[t]) groups[t].push_back(p.Assignment[static_cast<size_t>(r)]);
    std::sort(groups[t].begin(), groups[t].end());
  }
  int64_t best = INT64_MAX;
  do {
    do {
      for (int t = 0; t < 2; ++t) {
        for (size_t i = 0; i < movers[t].size(); ++i) {
          p.Assignment[static_cast<size_t>(movers[t][i])] = groups[t][i];
        }
      }
      best = std::min(best, EvaluateAssignment(p, engine));
    } while (std::next_permutation(groups[1].begin(), groups[1].end()));
  } while (std::next_permutation(groups[0].begin(), groups[0].end()));
  p.Assignment = dealt;
  EvaluateAssignment(p, engine);
  return best;
}

TEST(DeepSearchTest, ReachesTheBruteForcedOptimumOfSmallInstances) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    // Up to 11 persons of two types in 3 groups: at most a few thousand groupings.
    Problem p = test::MakeRandomProblem(
        seed, {9 + static_cast<int>(seed % 3), 3, 3, seed % 2 == 0 ? 1 : 3, false, 200});
    const int64_t optimum = BruteForceOptimum(p);
    test::SearchQuietly(p, SearchStrategy::kDeep, p.TotalCycles, nullptr, seed);
    EXPECT_EQ(p.BestScore, optimum) << seed;
  }
}

TEST(DeepSearchTest, TwoThreadsKeepTheContract) {
  Problem p = test::MakeRandomProblem(11, {150, 10, 4, 1, false, 300});
  const auto counts = GroupTypeCounts(p, p.Assignment);
  const SearchOutcome outcome = test::SearchQuietly(p, SearchStrategy::kDeep, 30, nullptr, 3, 2);
  EXPECT_EQ(GroupTypeCounts(p, p.BestAssignment), counts);
  EXPECT_EQ(FullScore(p, p.BestAssignment), p.BestScore);
  EXPECT_LE(outcome.CycleNumber, 30);
}

// An equal score after a perturbation's descent is kept: on a plateau the chain walks on. With
// nothing to weigh, every grouping scores the same, so one cycle's maxima search leaves the chain
// (whose last grouping the problem's tables describe) away from the deal.
TEST(DeepSearchTest, APerturbationOfEqualScoreIsKept) {
  Problem p = test::MakeRandomProblem(3, {40, 4, 0, 3, false, 100});
  p.TargetScore = -1;  // out of reach
  const std::vector<int32_t> dealt = p.Assignment;
  test::SearchQuietly(p, SearchStrategy::kDeep, 1, nullptr, 1);
  EXPECT_NE(p.Assignment, dealt);
}

// A scan adds its gains in 64 bits once a row's sum of |M| reaches the narrow bound, and in 32
// bits below it; both make the same exchanges.
TEST(DeepChainTest, WideSumsFromTheNarrowBound) {
  Problem p = test::MakeRandomProblem(9, {60, 5, 4, 1, false, 300});
  int64_t widest = 0;
  for (int r = 1; r <= p.PersonCount(); ++r) {
    int64_t sum = 0;
    for (int x = 1; x <= p.PersonCount(); ++x) sum += std::abs(int32_t{p.ConflictMatrix(r, x)});
    widest = std::max(widest, sum);
  }
  DeepChain below(p, 5, widest + 1);
  DeepChain at(p, 5, widest);
  EXPECT_FALSE(below.wide_sums());
  EXPECT_TRUE(at.wide_sums());
  for (DeepChain* chain : {&below, &at}) {
    chain->Load(p.Assignment);
    chain->Perturb(20);
    ASSERT_TRUE(chain->Descend([] { return true; }));
  }
  EXPECT_EQ(below.assignment(), at.assignment());
}

}  // namespace
}  // namespace quorvale
