// The wishes beyond pairs: a buddy for everyone and matching averages. An exchange's change
// against a full recount, a worked example of the average term, searches that reach brute-forced
// optima with every strategy, and bounds that never claim more than is so.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "engine/wish_terms.h"
#include "proof/categories.h"
#include "proof/proven_bound.h"
#include "proof/prover.h"
#include "tests/support/proof_instances.h"
#include "tests/support/quiet_search.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

// A buddy wish and an average wish drawn from `seed` for persons 1..n.
void AddWishes(Model& model, uint32_t seed) {
  std::mt19937 random(seed);
  const int n = model.PersonCount();
  BuddyWish buddy{150 + static_cast<int32_t>(random() % 100), std::vector<int32_t>(size_t(n) + 1),
                  4};
  AverageWish average{100, std::vector<int64_t>(size_t(n) + 1), std::vector<uint8_t>(size_t(n) + 1),
                      1};
  for (int i = 1; i <= n; ++i) {
    buddy.value[size_t(i)] = static_cast<int32_t>(random() % 5);  // 0: none
    average.present[size_t(i)] = random() % 6 != 0;               // some blanks
    average.value[size_t(i)] = static_cast<int64_t>(random() % 100);
  }
  model.Buddies = {buddy};
  model.Averages = {average};
}

// The score of `grouping` in full: pairs by the plain evaluation, the terms counted afresh. The
// problem's grouping and tables are left as they were.
int64_t FullScore(Problem& p, const std::vector<int32_t>& grouping) {
  const std::vector<int32_t> kept = p.Assignment;
  p.Assignment = grouping;
  const int64_t score = EvaluateAssignment(p, Engine(KernelLevel::kPlain));
  p.Assignment = kept;
  EvaluateAssignment(p, Engine(KernelLevel::kPlain));
  return score;
}

TEST(WishTermsTest, AnExchangeChangesTheScoreByItsDelta) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    Problem p = test::MakeRandomProblem(seed, {30, 4, 2, 1, false, 200});
    AddWishes(p, seed);
    WishTerms terms(p);
    std::vector<int32_t> grouping = p.Assignment;
    int64_t score = terms.Load(grouping);
    std::mt19937 random(seed);
    for (int step = 0; step < 200; ++step) {
      const auto k = static_cast<int32_t>(1 + random() % 30);
      const auto j = static_cast<int32_t>(1 + random() % 30);
      const int32_t gk = grouping[size_t(k)], gj = grouping[size_t(j)];
      if (gk == gj) continue;
      const int64_t delta = terms.ExchangeDelta(k, j, gk, gj);
      terms.Exchange(k, j, gk, gj);
      std::swap(grouping[size_t(k)], grouping[size_t(j)]);
      score += delta;
      ASSERT_EQ(terms.score(), score) << seed;
      ASSERT_EQ(WishTerms(p).Load(grouping), score) << seed << " step " << step;
    }
  }
}

TEST(WishTermsTest, TheAverageTermOfAWorkedExample) {
  // Values 1, 2, 3, 4 in two groups: mean 2.5, variance 1.25; (x - mean)^2 has mean 1.25 and
  // standard deviation 1. Groups {1, 4} and {2, 3}: equal means (d1 = 0), spreads 4.5 and 0.5
  // against 2.5 each (d2 = 2 and -2): weight x 4 / 4 per group.
  Model model;
  model.params.PersonCount = 4;
  model.params.GroupCount = 2;
  model.Averages = {{100, {0, 10, 20, 30, 40}, {0, 1, 1, 1, 1}, 1}};
  WishTerms terms(model);
  EXPECT_EQ(terms.Load({0, 1, 2, 2, 1}), 200);
  EXPECT_DOUBLE_EQ(terms.AverageFigures(0, 1).mean, 2.5);
  EXPECT_DOUBLE_EQ(terms.AverageFigures(0, 1).deviation, 1.5);
  // Groups {1, 2} and {3, 4}: totals 3 and 7 against 5, d1 = -+2 / sqrt(1.25); spreads 2.5.
  EXPECT_EQ(terms.Load({0, 1, 1, 2, 2}), 640);
  EXPECT_DOUBLE_EQ(terms.AverageFigures(0, 2).mean, 3.5);
}

// The least whole score over every grouping with the dealt sizes (one type).
int64_t BruteForce(Problem& p) {
  std::vector<int32_t> groups(p.Assignment.begin() + 1, p.Assignment.end());
  std::sort(groups.begin(), groups.end());
  int64_t best = INT64_MAX;
  do {
    std::vector<int32_t> grouping{0};
    grouping.insert(grouping.end(), groups.begin(), groups.end());
    best = std::min(best, FullScore(p, grouping));
  } while (std::next_permutation(groups.begin(), groups.end()));
  return best;
}

TEST(WishTermsTest, EveryStrategyReachesTheBruteForcedBestAndTheBoundsHold) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    for (const SearchStrategy strategy : {SearchStrategy::kClassic, SearchStrategy::kDeep}) {
      Problem p = test::RandomData(seed, {9, 3, 2, 3, false, 200});
      AddWishes(p, seed + 40);
      ASSERT_TRUE(BuildConflictMatrix(p).ok());
      DealInitialAssignment(p);
      SetUpStartValues(p, Engine(SupportedKernelLevel()));
      const int64_t best = BruteForce(p);
      EXPECT_LE(p.TargetScore, best) << seed;
      const std::vector<Category> categories = ListCategories(p);
      EXPECT_LE(ProvenBound(p, categories), best) << seed;
      test::SearchQuietly(p, strategy, 200);
      EXPECT_EQ(p.BestScore, best) << seed;
      EXPECT_EQ(FullScore(p, p.BestAssignment), p.BestScore) << seed;
    }
  }
}

// Proofs with the terms. The model of the proof states the buddy terms: a speaker of a language
// nobody else speaks is alone in any grouping, and two speakers whom the pairs keep apart are
// both alone in the best grouping; both are proven. It leaves the average terms out: where the
// pairs force the averages apart, the prover may prove the rest's best, but never the whole.
void ExpectProof(Problem& p, std::vector<Category> categories, int64_t best, bool proven) {
  p.Terms = WishTerms(p);
  p.TargetScore += WishTerms::Bound(p);
  EvaluateAssignment(p, Engine(SupportedKernelLevel()));
  KeepAsBest(p);
  ProofBoard board(ProvenBound(p, categories));
  Prover prover(p, categories, board, ProverSettings{0, 0});
  prover.Start();
  const SearchOutcome outcome = test::SearchQuietly(p, SearchStrategy::kClassic, 100000, &board);
  prover.Stop();
  EXPECT_EQ(p.BestScore, best);
  EXPECT_EQ(outcome.proven_best, proven);
  EXPECT_LE(board.LowerBound(), p.BestScore);
}

TEST(WishTermsTest, AProofCountsTheBuddiesButNotTheAverages) {
  for (uint32_t seed = 1;; ++seed) {
    test::ProofInstance instance = test::MakeClassInstance(seed, 10, 3);
    const int64_t pairs_best = test::BruteForceBestScore(instance.problem);
    if (pairs_best <= instance.problem.TargetScore) continue;
    instance.problem.Buddies = {{300, {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1}};
    ExpectProof(instance.problem, instance.categories, pairs_best + 301, true);
    break;
  }
  // Persons 1 and 2 share a code of weight `weight` (apart when positive, together when not).
  const auto pair = [](int32_t weight) {
    Problem p = test::RandomData(1, {8, 2, 1, 3, false, 100});
    for (int i = 1; i <= 8; ++i) p.DataTable(i, 2) = i <= 2 ? 1 : 0;
    p.DataTable(0, 2) = weight;
    return p;
  };
  Problem apart = pair(1000);
  apart.Buddies = {{300, {0, 1, 1, 0, 0, 0, 0, 0, 0}, 1}};
  Problem together = pair(-5000);
  together.Averages = {{100, {0, 10, 10, 0, 0, 0, 0, 0, 0}, {0, 1, 1, 1, 1, 1, 1, 1, 1}, 0}};
  struct Case {
    Problem* p;
    int64_t best;
    bool proven;
  };
  for (const Case& c : {Case{&apart, 602, true}, Case{&together, -5000 + 2 * 667, false}}) {
    const std::vector<Category> categories = ListCategories(*c.p);
    ASSERT_TRUE(BuildConflictMatrix(*c.p).ok());
    DealInitialAssignment(*c.p);
    SetUpStartValues(*c.p, Engine(SupportedKernelLevel()));
    ExpectProof(*c.p, categories, c.best, c.proven);
  }
}

}  // namespace
}  // namespace quorvale
