// The search schedule and best-so-far bookkeeping.
#include "engine/search.h"

#include <algorithm>
#include <string>

#include "console/box.h"
#include "console/format.h"
#include "console/status_panel.h"
#include "engine/initial_assignment.h"
#include "engine/random.h"
#include "engine/scrambler.h"
#include "engine/search_monitor.h"
#include "engine/search_schedule.h"
#include "engine/swap_descent.h"

namespace quorvale {

namespace {

// No results file is written while the search is younger than this many whole seconds.
constexpr int64_t kQuietSeconds = 15;

class Search final : public SearchMonitor {
 public:
  Search(Problem& problem, SearchEnvironment& env)
      : p_(problem), env_(env), panel_(env.console, env.clock) {}

  SearchOutcome Run();

  void AfterExchange(const Problem&) override { panel_.RefreshIfDue(Values()); }
  bool StopRequested() override {
    return env_.stop != nullptr && env_.stop->load(std::memory_order_relaxed) != 0;
  }

 private:
  PanelValues Values() const {
    return PanelValues{p_.CurrentScore, p_.ShownTargetScore, p_.BestScore, cycle_, p_.TotalCycles};
  }
  // One pass of the cycle in progress for one person type. Returns false when stopped.
  bool Pass(int32_t scramble_type);
  void UpdateBest();
  void SaveIfDue();
  Status Save(int32_t target_status);
  void ShowSaveResult(const Status& status);
  void Close();
  void Stopped();

  Problem& p_;
  SearchEnvironment& env_;
  StatusPanel panel_;
  Lcg15 random_;
  SearchOutcome outcome_;
  int32_t cycle_ = 0;
  bool improved_since_save_ = false;
  bool interim_saving_on_ = false;
  bool save_error_shown_ = false;
};

SearchOutcome Search::Run() {
  panel_.StartRefreshClock();
  if (p_.CurrentScore == p_.TargetScore) {
    outcome_.TargetStatus = kTargetReached;
    Close();
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
  if (rate == kRestartFromBest) {
    std::copy(p_.BestAssignment.begin() + 1, p_.BestAssignment.end(), p_.Assignment.begin() + 1);
  } else {
    Scramble(p_, scramble_type, rate, random_);
  }
  if (env_.steps == nullptr) {
    EvaluateAssignment(p_);
  } else {
    env_.steps->evaluate(p_);
  }
  panel_.RefreshIfDue(Values());
  const bool finished =
      env_.steps == nullptr ? SwapDescent(p_, this) : env_.steps->descent(p_, this);
  // Even a descent cut short leaves consistent tables, so its grouping may count as the best.
  UpdateBest();
  if (!finished || StopRequested()) return false;
  SaveIfDue();
  panel_.RefreshIfDue(Values());
  return !StopRequested();
}

void Search::UpdateBest() {
  if (p_.CurrentScore < p_.BestScore) improved_since_save_ = true;
  if (p_.CurrentScore <= p_.BestScore) KeepAsBest(p_);
}

void Search::SaveIfDue() {
  if (env_.clock.ElapsedMs() / 1000 <= kQuietSeconds) return;
  if (interim_saving_on_ && !improved_since_save_) return;
  const Status status = Save(kTargetNotReached);
  // A failed save is tried again at the next pass, and the notice that promises saved results
  // appears only once one has really been saved.
  if (!status.ok()) return;
  improved_since_save_ = false;
  if (interim_saving_on_) return;
  interim_saving_on_ = true;
  Console& console = env_.console;
  console.SetAttribute(kWhiteOnGreen);
  DrawBox(console, 17, 17, 82, 20);
  console.SetCursor(19, 18);
  console.Write("Interim (Best-So-Far) Results-Saving is now ON.  Stop search,");
  console.SetCursor(19, 19);
  console.Write("and use Best-So-Far solution, by closing this window any time.");
  console.Flush();
}

Status Search::Save(int32_t target_status) {
  Status status = env_.results.Write(p_, target_status, cycle_);
  outcome_.saved = status.ok();
  outcome_.save_error = status.message();
  ShowSaveResult(status);
  return status;
}

void Search::ShowSaveResult(const Status& status) {
  if (status.ok() && !save_error_shown_) return;
  Console& console = env_.console;
  console.SetAttribute(kWhiteOnGreen);
  const std::string message =
      status.ok() ? std::string() : "Could not save the results: " + status.message();
  // The reason comes after the path, so a long folder name must not push it off the screen:
  // the message goes on in the row below, broken at a space.
  const size_t width = kScreenColumns - 2;
  size_t cut = message.size();
  if (cut > width) {
    cut = message.rfind(' ', width);
    if (cut == std::string::npos || cut == 0) cut = width;
  }
  std::string first = message.substr(0, cut);
  std::string second = cut < message.size() ? message.substr(cut + (message[cut] == ' ')) : "";
  first.resize(width, ' ');
  second.resize(width, ' ');
  console.SetCursor(1, kSaveErrorRow);
  console.Write(first);
  console.SetCursor(1, kSaveErrorRow + 1);
  console.Write(second);
  console.Flush();
  save_error_shown_ = !status.ok();
}

void Search::Close() {
  cycle_ = std::min(cycle_, p_.TotalCycles);
  panel_.Draw(Values());
  Console& console = env_.console;
  console.SetCursor(0, 10);
  console.SetAttribute(kWhiteOnGreen);
  DrawBox(console, 21, 12, 78, 14);
  if (outcome_.TargetStatus == kTargetNotReached) {
    console.SetCursor(26, 13);
    console.Write("Search completed: But Target Score not reached");
  } else {
    console.SetCursor(24, 13);
    console.Write("SUCCESS !! Target Score achieved & search terminated");
  }
  console.Flush();
  outcome_.CycleNumber = cycle_;
  Save(outcome_.TargetStatus);
}

void Search::Stopped() {
  outcome_.stop_signal = env_.stop->load();
  outcome_.CycleNumber = cycle_;
  panel_.Draw(Values());
  Save(kTargetNotReached);
}

}  // namespace

SearchOutcome RunSearch(Problem& problem, SearchEnvironment& environment) {
  Search search(problem, environment);
  return search.Run();
}

}  // namespace quorvale
