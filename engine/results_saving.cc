#include "engine/results_saving.h"

namespace quorvale {

void ResultsSaving::SaveIfDue(const Problem& problem, int32_t cycle) {
  if (env_.clock.ElapsedMs() < env_.first_save_ms) return;
  if (interim_saving_on_ && !improved_since_save_) return;
  if (!Save(problem, kTargetNotReached, cycle).ok()) return;
  improved_since_save_ = false;
  if (interim_saving_on_) return;
  interim_saving_on_ = true;
  env_.observer.InterimSavingOn();
}

Status ResultsSaving::Save(const Problem& problem, int32_t target_status, int32_t cycle) {
  Status status = env_.results.Write(problem, target_status, cycle);
  outcome_.saved = status.ok();
  outcome_.save_error = status.message();
  if (!status.ok()) {
    env_.observer.SaveFailed(status.message());
  } else if (save_failed_) {
    env_.observer.SaveRecovered();
  }
  save_failed_ = !status.ok();
  return status;
}

}  // namespace quorvale
