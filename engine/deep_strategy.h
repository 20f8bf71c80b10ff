// The deep strategy: an iterated local search for large classes, chosen instead of the scrambler
// cycles with SearchStrategy::kDeep. Its cycles are the perturbation rounds of its first chain;
// with more than one thread, further chains search beside it on threads of their own and hand
// the loop every better grouping they find.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/engine.h"
#include "engine/problem.h"
#include "engine/strategy.h"

namespace quorvale {

// From this many persons up the deep search finds better groupings than the scrambler cycles
// in the same time (bench/RESULTS.md, "Search quality"); below it both reach the same scores.
inline constexpr int32_t kDeepSearchFromPersons = 200;

class DeepStrategy final : public Strategy {
 public:
  // Starts from the Problem's grouping, whose tables are current; `threads` chains (at least
  // one), the first fixed by `seed` alone, so that a one-thread run is fixed by it. Orders the
  // persons by type where that applies (Problem.PersonsByType).
  DeepStrategy(Problem& problem, const Engine& engine, uint32_t seed, int threads);
  ~DeepStrategy() override;

  bool RunCycle(int32_t cycle, StepHost& host) override;
  // Ends the other chains, hands the loop their best grouping, and leaves the Problem's tables
  // describing the first chain's last grouping.
  void Finish(StepHost& host) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
  Problem& p_;
  const Engine& engine_;
};

}  // namespace quorvale
