// The saving rules every search strategy keeps. No interim save before the clock reads
// first_save_ms; then the end of the first pass saves whatever the score, and later passes only
// after the best score has strictly improved. A failed save is reported and tried again at the
// next pass, and the notice that the results file holds the best grouping so far comes only once
// a save has really succeeded.
#pragma once

#include <cstdint>

#include "base/status.h"
#include "engine/problem.h"
#include "engine/run_loop.h"

namespace quorvale {

class ResultsSaving {
 public:
  // `outcome` receives whether the last save succeeded and why not.
  ResultsSaving(SearchEnvironment& env, SearchOutcome& outcome) : env_(env), outcome_(outcome) {}

  // The best score has strictly improved since the last save.
  void NoteImprovement() { improved_since_save_ = true; }
  // At the end of a pass: saves when the rules above say so.
  void SaveIfDue(const Problem& problem, int32_t cycle);
  // Saves now (the closing and the stop), reporting a failure or a recovery.
  Status Save(const Problem& problem, int32_t target_status, int32_t cycle);

 private:
  SearchEnvironment& env_;
  SearchOutcome& outcome_;
  bool improved_since_save_ = false;
  bool interim_saving_on_ = false;
  bool save_failed_ = false;
};

}  // namespace quorvale
