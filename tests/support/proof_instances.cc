// Proof instances and the brute-force optimum.
#include "tests/support/proof_instances.h"

#include <functional>
#include <limits>
#include <random>
#include <stdexcept>

#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"

namespace quorvale::test {

namespace {

ProofInstance Finish(Problem p) {
  ProofInstance instance;
  instance.categories = ListCategories(p);
  if (!BuildConflictMatrix(p).ok()) throw std::runtime_error("matrix failed");
  DealInitialAssignment(p);
  Engine engine(SupportedKernelLevel());
  SetUpStartValues(p, engine);
  instance.problem = std::move(p);
  return instance;
}

}  // namespace

ProofInstance MakeProofInstance(uint32_t seed, const RandomProblemShape& shape) {
  return Finish(RandomData(seed, shape));
}

ProofInstance MakeClassInstance(uint32_t seed, int persons, int groups) {
  std::mt19937 rng(seed);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  // Allocated as random data of weight 0, every cell of which is then written.
  Problem p = RandomData(seed, {persons, groups, 3, 1, false, 0});
  p.DataTable(0, 2) = 100;
  p.DataTable(0, 3) = 50;
  p.DataTable(0, 4) = -50;
  const int classes = uniform(2, 4), towns = uniform(persons / 6 + 1, persons / 3 + 1);
  for (int i = 1; i <= persons; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = uniform(1, 2);
    p.DataTable(i, 2) = (i - 1) % classes + 1;                           // classes of equal size
    p.DataTable(i, 3) = std::min(uniform(1, towns), uniform(1, towns));  // a few large towns
    p.DataTable(i, 4) = uniform(0, 99) < 75 ? 1 : uniform(2, 4);         // mostly one language
  }
  return Finish(std::move(p));
}

int64_t BruteForceBestScore(const Problem& p) {
  const int n = p.PersonCount();
  std::vector<int32_t> grouping = p.Assignment;
  // Places left per group and type.
  std::vector<std::array<int, 2>> left(static_cast<size_t>(p.GroupCount()) + 1, {0, 0});
  for (int i = 1; i <= n; ++i) {
    if (grouping[static_cast<size_t>(i)] > 0)
      ++left[static_cast<size_t>(grouping[static_cast<size_t>(i)])][p.Type(i) == 2 ? 1 : 0];
  }
  int64_t best = std::numeric_limits<int64_t>::max();
  const auto score = [&] {
    int64_t total = 0;
    for (int a = 1; a < n; ++a)
      for (int b = a + 1; b <= n; ++b)
        if (grouping[static_cast<size_t>(a)] == grouping[static_cast<size_t>(b)])
          total += p.ConflictMatrix(a, b);
    return total;
  };
  std::function<void(int)> place = [&](int i) {
    if (i > n) {
      best = std::min(best, score());
      return;
    }
    if (p.Assignment[static_cast<size_t>(i)] <= 0) return place(i + 1);
    const size_t t = p.Type(i) == 2 ? 1 : 0;
    for (int g = 1; g <= p.GroupCount(); ++g) {
      if (left[static_cast<size_t>(g)][t] == 0) continue;
      --left[static_cast<size_t>(g)][t];
      grouping[static_cast<size_t>(i)] = g;
      place(i + 1);
      ++left[static_cast<size_t>(g)][t];
    }
  };
  place(1);
  return best;
}

}  // namespace quorvale::test
