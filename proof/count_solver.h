// Solves the count model with CBC, the COIN-OR branch-and-cut solver packaged by Debian
// (coinor-libcbc-dev). CBC rather than GLPK: on models of this kind (general integer counts,
// tangent cuts, one binary per possible count) its cut generators and strong branching prove
// optimality far sooner, and it takes a first solution and an interrupt through its public API.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "proof/count_model.h"

namespace quorvale {

// CBC's nodes are the solver's memory: the search tree is cut off after this many.
inline constexpr int kMaxSolverNodes = 2'000'000;

struct CountSolution {
  bool has_bound = false;   // the solver got as far as a proven lower bound
  bool optimal = false;     // it proved `best_score` the least score of any grouping
  int64_t lower_bound = 0;  // hundredths; no grouping scores below it
  int64_t best_score = 0;   // hundredths; the best grouping the solver knows (the seed included)
  std::vector<int32_t> best_counts;  // its counts, as CountsOfGrouping lays them out
};

// Solves `model` (REQUIRES: model.built) within `seconds` of wall time, starting from
// `seed_counts` when it is not empty (from CountsOfGrouping). Returns soon after `stop` becomes
// true. Prints nothing.
CountSolution SolveCountModel(const CountModel& model, const std::vector<int32_t>& seed_counts,
                              double seconds, const std::atomic<bool>& stop);

// True when no grouping whose counts agree with `fixed_counts` (as CountsOfGrouping lays them
// out; -1 leaves a count free) scores below `best_score`, proven within `seconds`. False when a
// grouping does, or the solver was cut short.
bool NothingBelowWithCounts(const CountModel& model, const std::vector<int32_t>& fixed_counts,
                            int64_t best_score, double seconds, const std::atomic<bool>& stop);

}  // namespace quorvale
