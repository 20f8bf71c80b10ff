// Small instances for the bound and the exact model, with their categories read before the
// matrix is built, and the best score by trying every grouping.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/problem.h"
#include "proof/categories.h"
#include "tests/support/random_problem.h"

namespace quorvale::test {

struct ProofInstance {
  Problem problem;  // built, dealt and evaluated
  std::vector<Category> categories;
};

// Random data as MakeRandomProblem draws it.
ProofInstance MakeProofInstance(uint32_t seed, const RandomProblemShape& shape);

// A class-like instance: `persons` of two types in `groups` groups, a class column (weight 100),
// a town column (50) and a language column (-50) with a majority language.
ProofInstance MakeClassInstance(uint32_t seed, int persons, int groups);

// The least score of any grouping with the dealt places: every grouping is tried.
// REQUIRES: a tiny instance (the groupings are counted in the thousands).
int64_t BruteForceBestScore(const Problem& problem);

}  // namespace quorvale::test
