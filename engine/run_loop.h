// The run loop: one loop for every search strategy (engine/strategy.h). It runs the strategy's
// cycles and keeps what they share: the best grouping so far and its ties, the timed panel
// refresh, interim saving after 16 seconds, the time limit, the last cycle, stop requests, the
// offer of every new best grouping to the prover and the end once it is proven, and the closing
// and final save. What happens is reported to a SearchObserver; the search draws nothing.
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

// How the search improves the grouping: the scrambler cycles (engine/classic_strategy.h), or the
// deep search for large classes (engine/deep_strategy.h). A problem with more than one round is
// searched by the rounds strategy (engine/rounds_strategy.h) whatever this says.
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
  // finishes when the clock reads this many milliseconds or more. A cycle that runs on past it by
  // more than kTimeLimitGraceMs is cut short.
  int64_t time_limit_ms = 0;
  // When above 0, the search ends after this cycle, as if its plan ended there.
  int32_t last_cycle = 0;
  // False: spending the plan's cycles does not end the search; it goes on, past TotalCycles,
  // until its time limit, its last cycle, its target, its proof or a stop.
  bool plan_ends_search = true;
  // Shared with the prover: the search offers its best groupings there and reads the proven
  // lower bound. Offering changes nothing in the search itself. Not used with rounds.
  ProofBoard* proof = nullptr;
  // End the search, at the end of a pass, once its best score equals the proven lower bound.
  bool stop_when_proven = false;
  SearchStrategy strategy = SearchStrategy::kClassic;
  int threads = 1;  // chains of the deep search; the classic search runs on one thread
};

// How far a cycle may run on past the time limit before it is cut short, at the cost of a run
// that --last-cycle cannot repeat.
inline constexpr int64_t kTimeLimitGraceMs = 1000;

struct SearchOutcome {
  int32_t TargetStatus = kTargetNotReached;
  int32_t CycleNumber = 0;
  int stop_signal = 0;          // the signal that stopped the search, 0 if it ran to its end
  bool time_limit_hit = false;  // the time limit ended the search before its plan was spent
  bool cut_mid_cycle = false;   // and it did so inside a cycle, past kTimeLimitGraceMs
  bool saved = true;            // the last save succeeded
  std::string save_error;       // why it did not
  bool proven_best = false;     // it ended because its best score was proven the best possible
};

// Runs the search on a problem whose first grouping has been dealt and evaluated and whose
// best-so-far copies equal it (SetUpStartValues). On return BestAssignment, BestPersonConflict,
// BestScore and, with rounds, BestRounds are final, and the last save has been attempted: at the
// closing, or, when the search was stopped, right after the stop.
SearchOutcome RunSearch(Problem& problem, SearchEnvironment& environment);

}  // namespace quorvale
