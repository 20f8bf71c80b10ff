// The search schedule and best-so-far bookkeeping.
#include "engine/search.h"

#include <algorithm>
#include <string>

#include "engine/deep_search.h"
#include "engine/initial_assignment.h"
#include "engine/panel_refresh.h"
#include "engine/random.h"
#include "engine/results_saving.h"
#include "engine/scrambler.h"
#include "engine/search_monitor.h"
#include "engine/search_schedule.h"
#include "engine/swap_descent.h"

namespace quorvale {

namespace {

class Search final : public SearchMonitor {
 public:
  Search(Problem& problem, SearchEnvironment& env)
      : p_(problem), env_(env), observer_(env.observer), refresh_(env.clock) {}

  SearchOutcome Run();

  void AfterExchange(const Problem&) override { PanelRefreshIfDue(); }
  bool StopRequested() override {
    return env_.stop != nullptr && env_.stop->load(std::memory_order_relaxed) != 0;
  }

 private:
  PanelValues Values() const {
    return PanelValues{p_.CurrentScore, p_.ShownTargetScore, p_.BestScore, cycle_, p_.TotalCycles};
  }
  void PanelRefreshIfDue() {
    if (const std::optional<int64_t> now = refresh_.Due()) observer_.PanelDue(Values(), *now);
  }
  void ShowPanelNow() { observer_.PanelDue(Values(), env_.clock.ElapsedMs()); }
  // One pass of the cycle in progress for one person type. Returns false when stopped.
  bool Pass(int32_t scramble_type);
  void UpdateBest();
  // With stop_when_proven: the best score equals the proven lower bound.
  bool ProvenBest() const {
    return env_.stop_when_proven && env_.proof != nullptr &&
           p_.BestScore == env_.proof->LowerBound();
  }
  void CloseProven();
  void SaveIfDue();
  Status Save(int32_t target_status);
  void Close();
  void Stopped();

  Problem& p_;
  SearchEnvironment& env_;
  SearchObserver& observer_;
  PanelRefresh refresh_;
  Lcg15 random_;
  SearchOutcome outcome_;
  ResultsSaving saving_{env_, outcome_};
  int32_t cycle_ = 0;
  std::vector<int32_t> before_;  // the grouping before the pass's scramble
};

SearchOutcome Search::Run() {
  refresh_.Start();
  if (env_.proof != nullptr) env_.proof->OfferBest(p_);
  if (p_.CurrentScore == p_.TargetScore) {
    outcome_.TargetStatus = kTargetReached;
    Close();
    return outcome_;
  }
  if (ProvenBest()) {
    CloseProven();
    return outcome_;
  }
  random_.Seed(env_.seed);
  const int32_t type_passes = p_.params.TypeMode == 3 ? 1 : 2;
  for (cycle_ = 1; cycle_ <= p_.TotalCycles; ++cycle_) {
    for (int32_t type = 1; type <= type_passes; ++type) {
      if (!Pass(type)) {
        Stopped();
        return outcome_;
      }
      if (p_.BestScore == p_.TargetScore) {
        outcome_.TargetStatus = kTargetReached;
        Close();
        return outcome_;
      }
      if (ProvenBest()) {
        CloseProven();
        return outcome_;
      }
    }
    if (cycle_ == p_.TotalCycles) break;  // the last cycle is the one shown and written
    if (cycle_ == env_.last_cycle) break;
    // Checked only between cycles, so a search cut short by time equals one planned to end here.
    if (env_.time_limit_ms > 0 && env_.clock.ElapsedMs() >= env_.time_limit_ms) {
      outcome_.time_limit_hit = true;
      break;
    }
  }
  Close();
  return outcome_;
}

bool Search::Pass(int32_t scramble_type) {
  const int32_t rate = ScheduledRate(cycle_, p_.params);
  // The tables are current for this grouping: the last descent or the start values left them so.
  before_ = p_.Assignment;
  if (rate == kRestartFromBest) {
    std::copy(p_.BestAssignment.begin() + 1, p_.BestAssignment.end(), p_.Assignment.begin() + 1);
  } else {
    Scramble(p_, scramble_type, rate, random_);
  }
  EvaluateAfterMoves(p_, env_.engine, before_);
  PanelRefreshIfDue();
  const bool finished = SwapDescent(p_, env_.engine, this);
  // Even a descent cut short leaves consistent tables, so its grouping may count as the best.
  UpdateBest();
  if (!finished || StopRequested()) return false;
  SaveIfDue();
  PanelRefreshIfDue();
  return !StopRequested();
}

void Search::UpdateBest() {
  const bool improved = p_.CurrentScore < p_.BestScore;
  if (improved) saving_.NoteImprovement();
  // A tie replaces the best grouping too: the search moves on from the newer one.
  if (p_.CurrentScore <= p_.BestScore) KeepAsBest(p_);
  if (improved && env_.proof != nullptr) env_.proof->OfferBest(p_);
}

void Search::SaveIfDue() { saving_.SaveIfDue(p_, cycle_); }

Status Search::Save(int32_t target_status) { return saving_.Save(p_, target_status, cycle_); }

void Search::Close() {
  cycle_ = std::min(cycle_, p_.TotalCycles);
  ShowPanelNow();
  observer_.Closing(outcome_.TargetStatus == kTargetReached);
  outcome_.CycleNumber = cycle_;
  Save(outcome_.TargetStatus);
}

// The closing of a search whose best was proven the best possible: the Target Score was not
// reached, and the results say so.
void Search::CloseProven() {
  outcome_.proven_best = true;
  cycle_ = std::min(cycle_, p_.TotalCycles);
  ShowPanelNow();
  observer_.ClosingProvenBest();
  outcome_.CycleNumber = cycle_;
  Save(kTargetNotReached);
}

void Search::Stopped() {
  outcome_.stop_signal = env_.stop->load();
  outcome_.CycleNumber = cycle_;
  ShowPanelNow();
  Save(kTargetNotReached);
}

}  // namespace

SearchOutcome RunSearch(Problem& problem, SearchEnvironment& environment) {
  if (environment.strategy == SearchStrategy::kDeep) return RunDeepSearch(problem, environment);
  Search search(problem, environment);
  return search.Run();
}

}  // namespace quorvale
