// The iterated maxima search of one chain of the deep search, a round at a time (see
// engine/deep_strategy.cc for the method and its sources), and what it reports to.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/deep_chain.h"
#include "engine/deep_tuning.h"
#include "engine/elite_pool.h"

namespace quorvale {

// What a chain needs from the search it runs in.
class ChainHost {
 public:
  virtual ~ChainHost() = default;
  // Polled during the descents; false ends the chain's round at once.
  virtual bool KeepGoing(const DeepChain& chain) = 0;
  // After every descent, with the chain's grouping; `finished` is false when the descent was cut
  // short. False ends the chain's round.
  virtual bool AfterStep(const DeepChain& chain, bool finished) = 0;
};

class ChainRounds {
 public:
  // Searches from the grouping `chain` holds when the first round starts. `shared`: the elite
  // pool of every chain of the search, or null for a pool of the chain's own.
  ChainRounds(DeepChain& chain, const DeepTuning& tuning, ElitePool* shared = nullptr);

  // One round: its start (the first descent, or a perturbation, crossover or restart of the best
  // grouping and its descent), then the maxima search. False when the host ended it.
  bool Round(ChainHost& host);

 private:
  // Runs the descent and hands its grouping to the host; false when the round must end.
  bool DescendAndReport(ChainHost& host);
  bool Start(ChainHost& host);
  bool MaximaSearch(ChainHost& host);
  // The weak perturbation of attempt `attempt` at `strength`.
  void Perturb(uint32_t attempt, int32_t strength);

  DeepChain& chain_;
  DeepTuning t_;  // its round start set once more after the first descent
  ElitePool own_;
  ElitePool* const pool_;
  bool started_ = false;
  int64_t best_ = 0;
  std::vector<int32_t> best_grouping_;
  std::vector<int32_t> mate_;
  int32_t strong_;
  int32_t idle_rounds_ = 0;  // rounds in a row that found nothing better
  int32_t rounds_ = 0;       // since the chain's start
  int32_t best_round_ = 0;   // the round that found the chain's best
  uint32_t attempt_ = 0;     // the maxima search's attempts, for the kind of perturbation
};

}  // namespace quorvale
