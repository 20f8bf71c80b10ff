// A whole search on a fake clock that draws nothing and keeps its saves to itself: for the tests
// that only look at the grouping a search ends with.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/proof_board.h"
#include "engine/run_loop.h"
#include "engine/search_observer.h"
#include "tests/support/fakes.h"

namespace quorvale::test {

class QuietObserver final : public SearchObserver {
 public:
  void PanelDue(const PanelValues&, int64_t) override {}
  void InterimSavingOn() override {}
  void SaveFailed(const std::string&) override {}
  void SaveRecovered() override {}
  void Closing(bool) override {}
};

// Runs `strategy` on `p` for `cycles` with `seed` and `threads`; with a `board`, offers its
// bests there and ends once proven.
inline SearchOutcome SearchQuietly(Problem& p, SearchStrategy strategy, int32_t cycles,
                                   ProofBoard* board = nullptr, uint32_t seed = 9,
                                   int threads = 1) {
  QuietObserver observer;
  FakeClock clock;
  RecordingSink sink;
  const Engine engine(SupportedKernelLevel());
  std::atomic<int> stop{0};
  SearchEnvironment env{observer, clock, sink, engine, seed, &stop};
  env.threads = threads;
  env.strategy = strategy;
  env.proof = board;
  env.stop_when_proven = board != nullptr;
  p.TotalCycles = cycles;
  return RunSearch(p, env);
}

}  // namespace quorvale::test
