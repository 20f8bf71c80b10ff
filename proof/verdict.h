// The verdict on a run's best grouping: how far it can be from the best possible.
#pragma once

#include <cstdint>

#include "proof/prover.h"

namespace quorvale {

struct Verdict {
  int64_t TargetScore = 0;
  int64_t BestScore = 0;
  int64_t ProvenBound = 0;    // the per-category bound with the dealt type counts
  bool solver_ran = false;    // the exact model was solved, fully or in part
  bool solver_bound = false;  // and gave a lower bound
  int64_t SolverBound = 0;
  // The highest valid lower bound: Target Score (when every person is dealt), ProvenBound and
  // the solver's bound. No grouping with the dealt places scores below it.
  int64_t LowerBound = 0;
  bool proven_best = false;  // BestScore equals LowerBound: no grouping is better

  int64_t Gap() const { return BestScore - LowerBound; }
};

// REQUIRES: `proven_bound` from ProvenBound; `report` after the prover has stopped, or null when
// none ran.
Verdict MakeVerdict(const Problem& problem, int64_t proven_bound, const ProverReport* report);

}  // namespace quorvale
