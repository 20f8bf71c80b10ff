// The search loop: scrambler cycles of perturbation, full evaluation and swap descent, with the
// best-so-far bookkeeping, the timed panel refresh, interim saving after 16 seconds, and the
// closing and final save. What happens is reported to a SearchObserver; the search draws nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "base/clock.h"
#include "engine/engine.h"
#include "engine/problem.h"
#include "engine/proof_board.h"
#include "engine/results_sink.h"
#include "engine/search_observer.h"

namespace quorvale {

// Interim saving begins with the first pass that ends 16 seconds or more into the run.
inline constexpr int64_t kFirstSaveMs = 16000;

// How the search improves the grouping: the scrambler cycles, or the deep search for large
// classes (engine/deep_search.h).
enum class SearchStrategy { kClassic, kDeep };

struct SearchEnvironment {
  SearchObserver& observer;  // told what happens; draws the screen in the program
  Clock& clock;
  ResultsSink& results;
  const Engine& engine;                    // the evaluation and descent to compute with
  uint32_t seed = 0;                       // seeds the scrambler's generator
  const std::atomic<int>* stop = nullptr;  // non-zero: stop at the next exchange or pass
  // No interim save happens before the clock reads this many milliseconds.
  int64_t first_save_ms = kFirstSaveMs;
  // Above 0: the search ends, as when its plan is spent, at the end of the first cycle that
  // finishes when the clock reads this many milliseconds or more.
  int64_t time_limit_ms = 0;
  // When above 0, the search ends after this cycle, as if its plan ended there.
  int32_t last_cycle = 0;
  // Shared with the prover: the search offers its best groupings there and reads the proven
  // lower bound. Offering changes nothing in the search itself.
  ProofBoard* proof = nullptr;
  // End the search, at the end of a pass, once its best score equals the proven lower bound.
  bool stop_when_proven = false;
  SearchStrategy strategy = SearchStrategy::kClassic;
  int threads = 1;  // chains of the deep search; the classic search runs on one thread
};

struct SearchOutcome {
  int32_t TargetStatus = kTargetNotReached;
  int32_t CycleNumber = 0;
  int stop_signal = 0;          // the signal that stopped the search, 0 if it ran to its end
  bool time_limit_hit = false;  // the time limit ended the search before its plan was spent
  bool saved = true;            // the last save succeeded
  std::string save_error;       // why it did not
  bool proven_best = false;     // it ended because its best score was proven the best possible
};

// Runs the search on a problem whose first grouping has been dealt and evaluated and whose
// best-so-far copies equal it (SetUpStartValues). On return BestAssignment, BestPersonConflict
// and BestScore are final, and the last save has been attempted: at the closing, or, when the
// search was stopped, right after the stop.
SearchOutcome RunSearch(Problem& problem, SearchEnvironment& environment);

}  // namespace quorvale
