// The verdict from the bounds.
#include "proof/verdict.h"

#include <algorithm>

namespace quorvale {

Verdict MakeVerdict(const Problem& problem, int64_t proven_bound, const ProverReport* report) {
  Verdict verdict;
  verdict.TargetScore = problem.TargetScore;
  verdict.BestScore = problem.BestScore;
  verdict.ProvenBound = proven_bound;
  // ProvenBound already includes the Target Score wherever that is a bound.
  verdict.LowerBound = proven_bound;
  if (report != nullptr && report->solver_ran) {
    verdict.solver_ran = true;
    verdict.solver_bound = report->has_bound;
    verdict.SolverBound = report->lower_bound;
    if (report->has_bound) verdict.LowerBound = std::max(verdict.LowerBound, report->lower_bound);
  }
  verdict.proven_best = verdict.BestScore == verdict.LowerBound;
  return verdict;
}

}  // namespace quorvale
