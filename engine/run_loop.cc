// The run loop and its rules, written once for every strategy.
#include "engine/run_loop.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "engine/classic_strategy.h"
#include "engine/deep_strategy.h"
#include "engine/panel_refresh.h"
#include "engine/results_saving.h"
#include "engine/rounds_strategy.h"
#include "engine/strategy.h"

namespace quorvale {

namespace {

// StopRequested is polled between rows of a scan, far more often than the clock needs reading:
// a cycle's overrun of the time limit is looked for at every this-many-th poll.
constexpr uint32_t kPollsPerClockReading = 256;

class RunLoop final : public StepHost {
 public:
  // No proof holds across rounds: a search over rounds offers its bests to no prover.
  RunLoop(Problem& problem, SearchEnvironment& env)
      : p_(problem),
        env_(env),
        proof_(problem.Rounds > 1 ? nullptr : env.proof),
        observer_(env.observer),
        refresh_(env.clock) {}

  SearchOutcome Run();

  // StepHost.
  void AfterExchange(const Problem&) override { PanelRefreshIfDue(); }
  bool StopRequested() override;
  bool Poll(int64_t current_score) override;
  bool AfterStep(const Grouping& grouping, bool finished) override;
  void OfferBetter(const Grouping& grouping) override;

 private:
  // Why the search ended inside a cycle.
  enum class End { kNone, kStopped, kTargetReached, kProven, kTimeCut };

  std::unique_ptr<Strategy> MakeStrategy();
  PanelValues Values() const {
    return PanelValues{p_.CurrentScore, p_.ShownTargetScore, p_.BestScore, cycle_, p_.TotalCycles};
  }
  void PanelRefreshIfDue() {
    if (const std::optional<int64_t> now = refresh_.Due()) observer_.PanelDue(Values(), *now);
  }
  void ShowPanelNow() { observer_.PanelDue(Values(), env_.clock.ElapsedMs()); }
  bool StopFlag() const {
    return env_.stop != nullptr && env_.stop->load(std::memory_order_relaxed) != 0;
  }
  bool PastGrace(int64_t now) const {
    return env_.time_limit_ms > 0 && now >= env_.time_limit_ms + kTimeLimitGraceMs;
  }
  // Why a step that was cut short ended: a stop, or a cycle past the time limit's grace.
  bool EndStep() {
    end_ = StopFlag() ? End::kStopped : End::kTimeCut;
    return false;
  }
  void UpdateBest(const Grouping& grouping);
  // With stop_when_proven: the best score equals the proven lower bound.
  bool ProvenBest() const {
    return env_.stop_when_proven && proof_ != nullptr && p_.BestScore == proof_->LowerBound();
  }
  void Close();
  void CloseProven();
  void Stopped();

  Problem& p_;
  SearchEnvironment& env_;
  ProofBoard* const proof_;
  SearchObserver& observer_;
  PanelRefresh refresh_;
  SearchOutcome outcome_;
  ResultsSaving saving_{env_, outcome_};
  int32_t cycle_ = 0;
  End end_ = End::kNone;
  uint32_t polls_ = 0;
  bool past_grace_ = false;
};

std::unique_ptr<Strategy> RunLoop::MakeStrategy() {
  if (p_.Rounds > 1) return std::make_unique<RoundsStrategy>(p_, env_.engine, env_.seed);
  if (env_.strategy == SearchStrategy::kDeep) {
    // A time limit spent before the search starts (the matrix of a very large roster) leaves the
    // search one cycle: further chains would be built, at the cost of their tables, for nothing.
    const bool spent = env_.time_limit_ms > 0 && env_.clock.ElapsedMs() >= env_.time_limit_ms;
    return std::make_unique<DeepStrategy>(p_, env_.engine, env_.seed, spent ? 1 : env_.threads);
  }
  return std::make_unique<ClassicStrategy>(p_, env_.engine, env_.seed);
}

SearchOutcome RunLoop::Run() {
  refresh_.Start();
  if (proof_ != nullptr) proof_->OfferBest(p_);
  if (p_.CurrentScore == p_.TargetScore) {
    outcome_.TargetStatus = kTargetReached;
    Close();
    return outcome_;
  }
  if (ProvenBest()) {
    CloseProven();
    return outcome_;
  }
  const std::unique_ptr<Strategy> strategy = MakeStrategy();
  for (cycle_ = 1; !env_.plan_ends_search || cycle_ <= p_.TotalCycles; ++cycle_) {
    if (!strategy->RunCycle(cycle_, *this)) break;
    if (env_.plan_ends_search && cycle_ == p_.TotalCycles) break;  // the last cycle is shown
    if (cycle_ == env_.last_cycle) break;
    // Checked only between cycles, so a search cut short by time equals one planned to end here.
    if (env_.time_limit_ms > 0 && env_.clock.ElapsedMs() >= env_.time_limit_ms) {
      outcome_.time_limit_hit = true;
      break;
    }
  }
  strategy->Finish(*this);
  switch (end_) {
    case End::kStopped:
      Stopped();
      break;
    case End::kProven:
      CloseProven();
      break;
    case End::kTargetReached:
      outcome_.TargetStatus = kTargetReached;
      Close();
      break;
    case End::kTimeCut:
      outcome_.time_limit_hit = outcome_.cut_mid_cycle = true;
      Close();
      break;
    case End::kNone:
      Close();
      break;
  }
  return outcome_;
}

bool RunLoop::StopRequested() {
  if (StopFlag()) return true;
  if (env_.time_limit_ms <= 0) return false;
  if (++polls_ % kPollsPerClockReading == 0) past_grace_ = PastGrace(env_.clock.ElapsedMs());
  return past_grace_;
}

bool RunLoop::Poll(int64_t current_score) {
  p_.CurrentScore = current_score;
  const int64_t now = env_.clock.ElapsedMs();
  if (const std::optional<int64_t> due = refresh_.DueAt(now)) observer_.PanelDue(Values(), *due);
  return !StopFlag() && !PastGrace(now);
}

bool RunLoop::AfterStep(const Grouping& grouping, bool finished) {
  p_.CurrentScore = grouping.score();
  UpdateBest(grouping);
  if (!finished || StopFlag() || (env_.time_limit_ms > 0 && PastGrace(env_.clock.ElapsedMs()))) {
    return EndStep();
  }
  saving_.SaveIfDue(p_, cycle_);
  PanelRefreshIfDue();
  if (StopRequested()) return EndStep();
  if (p_.BestScore == p_.TargetScore) {
    end_ = End::kTargetReached;
    return false;
  }
  if (ProvenBest()) {
    end_ = End::kProven;
    return false;
  }
  return true;
}

void RunLoop::OfferBetter(const Grouping& grouping) {
  if (grouping.score() < p_.BestScore) UpdateBest(grouping);
}

void RunLoop::UpdateBest(const Grouping& grouping) {
  const int64_t score = grouping.score();
  const bool improved = score < p_.BestScore;
  if (improved) saving_.NoteImprovement();
  // A tie replaces the best grouping too: the search moves on from the newer one.
  if (score <= p_.BestScore) {
    grouping.CopyInto(p_.BestAssignment, p_.BestPersonConflict);
    grouping.CopyRoundsInto(p_.BestRounds);
    p_.BestScore = score;
  }
  if (improved && proof_ != nullptr) proof_->OfferBest(p_);
}

void RunLoop::Close() {
  if (env_.plan_ends_search) cycle_ = std::min(cycle_, p_.TotalCycles);
  ShowPanelNow();
  observer_.Closing(outcome_.TargetStatus == kTargetReached);
  outcome_.CycleNumber = cycle_;
  saving_.Save(p_, outcome_.TargetStatus, cycle_);
}

// The closing of a search whose best was proven the best possible: the Target Score was not
// reached, and the results say so.
void RunLoop::CloseProven() {
  outcome_.proven_best = true;
  if (env_.plan_ends_search) cycle_ = std::min(cycle_, p_.TotalCycles);
  ShowPanelNow();
  observer_.ClosingProvenBest();
  outcome_.CycleNumber = cycle_;
  saving_.Save(p_, kTargetNotReached, cycle_);
}

void RunLoop::Stopped() {
  outcome_.stop_signal = env_.stop->load();
  outcome_.CycleNumber = cycle_;
  ShowPanelNow();
  saving_.Save(p_, kTargetNotReached, cycle_);
}

}  // namespace

SearchOutcome RunSearch(Problem& problem, SearchEnvironment& environment) {
  RunLoop loop(problem, environment);
  return loop.Run();
}

}  // namespace quorvale
