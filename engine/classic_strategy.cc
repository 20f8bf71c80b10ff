// The passes of the scrambler cycles.
#include "engine/classic_strategy.h"

#include <algorithm>

#include "engine/initial_assignment.h"
#include "engine/scrambler.h"
#include "engine/search_schedule.h"
#include "engine/swap_descent.h"

namespace quorvale {

namespace {

// The Problem's own grouping, as the loop takes it.
class ProblemGrouping final : public Grouping {
 public:
  explicit ProblemGrouping(const Problem& p) : p_(p) {}
  int64_t score() const override { return p_.CurrentScore; }
  void CopyInto(std::vector<int32_t>& assignment, std::vector<int32_t>& conflicts) const override {
    std::copy(p_.Assignment.begin() + 1, p_.Assignment.end(), assignment.begin() + 1);
    std::copy(p_.PersonConflict.begin() + 1, p_.PersonConflict.end(), conflicts.begin() + 1);
  }

 private:
  const Problem& p_;
};

}  // namespace

ClassicStrategy::ClassicStrategy(Problem& problem, const Engine& engine, uint32_t seed)
    : p_(problem), engine_(engine), random_(seed) {}

bool ClassicStrategy::RunCycle(int32_t cycle, StepHost& host) {
  const int32_t type_passes =
      p_.BalanceTypes > 0 ? p_.BalanceTypes : (p_.params.TypeMode == 3 ? 1 : 2);
  for (int32_t type = 1; type <= type_passes; ++type) {
    if (!Pass(cycle, type, host)) return false;
  }
  return true;
}

bool ClassicStrategy::Pass(int32_t cycle, int32_t type, StepHost& host) {
  const int32_t rate = ScheduledRate(cycle, p_.params);
  // The tables are current for this grouping: the last descent or the start values left them so.
  before_ = p_.Assignment;
  if (rate == kRestartFromBest) {
    std::copy(p_.BestAssignment.begin() + 1, p_.BestAssignment.end(), p_.Assignment.begin() + 1);
  } else {
    Scramble(p_, type, rate, random_);
  }
  EvaluateAfterMoves(p_, engine_, before_);
  host.Poll(p_.CurrentScore);  // only the panel: a stop is taken up by the descent
  const bool finished = SwapDescent(p_, engine_, &host);
  // Even a descent cut short leaves consistent tables, so its grouping may count as the best.
  return host.AfterStep(ProblemGrouping(p_), finished);
}

}  // namespace quorvale
