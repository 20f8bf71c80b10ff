// Groups of given sizes, types dealt in proportion to them and pinned persons: the counts, the
// deal, and a search that keeps all three whatever its strategy.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "engine/proportional_deal.h"
#include "tests/support/quiet_search.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

struct CountsCase {
  std::vector<int32_t> sizes;
  std::vector<int32_t> holders;
  std::vector<std::vector<int32_t>> pinned;
  bool within_one;  // the pins leave room for every count within one of its share
};

TEST(ProportionalCountsTest, TotalsSharesAndPins) {
  const std::vector<CountsCase> cases = {
      {{25, 22, 21}, {30, 30, 8}, {}, true},
      {{4, 4, 4, 4, 4}, {7, 7, 6}, {}, true},
      {{3, 3}, {6}, {}, true},
      {{10, 5, 5}, {1, 19}, {{0, 0}, {1, 0}, {0, 0}}, true},
      {{5, 5}, {6, 4}, {{0, 4}, {0, 0}}, false},             // all four of type 2 pinned to group 1
      {{2, 2, 2}, {3, 3}, {{2, 0}, {0, 2}, {1, 1}}, false},  // pinned full
  };
  for (const CountsCase& c : cases) {
    const auto counts = ProportionalCounts(c.sizes, c.holders, c.pinned);
    ASSERT_EQ(counts.size(), c.sizes.size());
    int64_t persons = 0;
    for (const int32_t h : c.holders) persons += h;
    std::vector<int32_t> by_type(c.holders.size(), 0);
    for (size_t g = 0; g < c.sizes.size(); ++g) {
      int32_t in_group = 0;
      for (size_t t = 0; t < c.holders.size(); ++t) {
        in_group += counts[g][t];
        by_type[t] += counts[g][t];
        EXPECT_GE(counts[g][t], c.pinned.empty() ? 0 : c.pinned[g][t]);
        const double share = double(c.holders[t]) * c.sizes[g] / double(persons);
        EXPECT_TRUE(!c.within_one || std::abs(counts[g][t] - share) < 1.0) << g << " " << t;
      }
      EXPECT_EQ(in_group, c.sizes[g]);
    }
    EXPECT_EQ(by_type, c.holders);
  }
  EXPECT_TRUE(ProportionalCounts({2, 2}, {4}, {{3}, {0}}).empty());  // three pins, two places
}

// A random problem of four balance types in groups of the given sizes, with pins.
Problem SharedOutProblem(uint32_t seed) {
  Problem p = test::RandomData(seed, {60, 4, 3, 1, false, 200});
  p.BalanceTypes = 4;
  p.GroupSizes = {0, 20, 16, 14, 10};
  p.PinnedGroup.assign(61, 0);
  for (int i = 1; i <= 60; ++i) p.DataTable(i, 1) = 1 + (i * 7 + static_cast<int>(seed)) % 4;
  p.PinnedGroup[3] = 4;
  p.PinnedGroup[10] = 4;
  p.PinnedGroup[33] = 1;
  EXPECT_TRUE(BuildConflictMatrix(p).ok());
  DealInitialAssignment(p);
  SetUpStartValues(p, Engine(SupportedKernelLevel()));
  return p;
}

TEST(ProportionalDealTest, SizesSharesAndPinsHoldThroughEverySearch) {
  for (const SearchStrategy strategy : {SearchStrategy::kClassic, SearchStrategy::kDeep}) {
    Problem p = SharedOutProblem(static_cast<uint32_t>(strategy) + 3);
    std::vector<int32_t> type(61);  // the balance types as dealt, before pins take their own
    for (int i = 1; i <= 60; ++i) type[size_t(i)] = 1 + (i * 7 + int(strategy) + 3) % 4;
    const auto counts = [&](const std::vector<int32_t>& grouping) {
      std::vector<std::vector<int>> per(5, std::vector<int>(5, 0));
      for (int i = 1; i <= 60; ++i) ++per[size_t(grouping[size_t(i)])][size_t(type[size_t(i)])];
      return per;
    };
    const auto dealt = counts(p.Assignment);
    for (int g = 1; g <= 4; ++g) {
      int size = 0;
      for (int t = 1; t <= 4; ++t) size += dealt[size_t(g)][size_t(t)];
      EXPECT_EQ(size, p.GroupSizes[size_t(g)]);
    }
    p.TargetScore = -1000000;
    test::SearchQuietly(p, strategy, 30);
    EXPECT_EQ(counts(p.BestAssignment), dealt);
    EXPECT_EQ(p.BestAssignment[3], 4);
    EXPECT_EQ(p.BestAssignment[10], 4);
    EXPECT_EQ(p.BestAssignment[33], 1);
  }
}

}  // namespace
}  // namespace quorvale
