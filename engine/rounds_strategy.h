// The rounds strategy: the search over all rounds at once (engine/rounds_tabu.h), which the run
// loop runs whenever the problem has more than one round. Its cycles are fixed amounts of the
// tabu search's work, so that a run is fixed by its seed and a cycle stays short; after each it
// hands the loop the best schedule found.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/problem.h"
#include "engine/rounds_tabu.h"
#include "engine/strategy.h"

namespace quorvale {

class RoundsStrategy final : public Strategy {
 public:
  // Starts from the Problem's BestRounds (the first schedule, SetUpRounds). One thread.
  RoundsStrategy(Problem& problem, const Engine& engine, uint32_t seed);

  bool RunCycle(int32_t cycle, StepHost& host) override;
  // Leaves Assignment and its tables describing the last schedule's first round, and
  // CurrentScore that schedule's score.
  void Finish(StepHost& host) override;

 private:
  Problem& p_;
  const Engine& engine_;
  RoundsTabu tabu_;
  std::vector<std::vector<int32_t>> members_;  // scratch of the best schedule's copy
};

}  // namespace quorvale
