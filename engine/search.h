// The search loop: scrambler cycles of perturbation, full evaluation and swap descent, with the
// best-so-far bookkeeping, the timed panel refresh, interim saving after 16 seconds, and the
// closing notice and final save.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "console/console.h"
#include "engine/clock.h"
#include "engine/problem.h"
#include "engine/results_sink.h"

namespace quorvale {

class SearchMonitor;

// The two inner steps of a pass, for running the same search with another engine (the tests
// compare whole searches). Both must keep the contracts of EvaluateAssignment and SwapDescent.
struct SearchSteps {
  int64_t (*evaluate)(Problem& problem);
  bool (*descent)(Problem& problem, SearchMonitor* monitor);
};

struct SearchEnvironment {
  Console& console;
  Clock& clock;
  ResultsSink& results;
  uint32_t seed = 0;                       // seeds the scrambler's generator
  const std::atomic<int>* stop = nullptr;  // non-zero: stop at the next exchange or pass
  const SearchSteps* steps = nullptr;      // null: the program's own engine
  // Above 0: the search ends, as when its plan is spent, at the end of the first cycle that
  // finishes when the clock reads this many milliseconds or more.
  int64_t time_limit_ms = 0;
  // When above 0, the search ends after this cycle, as if its plan ended there.
  int32_t last_cycle = 0;
};

struct SearchOutcome {
  int32_t TargetStatus = kTargetNotReached;
  int32_t CycleNumber = 0;
  int stop_signal = 0;          // the signal that stopped the search, 0 if it ran to its end
  bool time_limit_hit = false;  // the time limit ended the search before its plan was spent
  bool saved = true;            // the last save succeeded
  std::string save_error;       // why it did not
};

// Row of the screen where a failed save is reported; it hides nothing of the panel.
inline constexpr int kSaveErrorRow = 15;

// Runs the search on a problem whose first grouping has been dealt and evaluated and whose
// best-so-far copies equal it (SetUpStartValues). On return BestAssignment, BestPersonConflict
// and BestScore are final, and the last save has been attempted: at the closing, or, when the
// search was stopped, right after the stop.
SearchOutcome RunSearch(Problem& problem, SearchEnvironment& environment);

}  // namespace quorvale
