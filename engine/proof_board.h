// What the search and the prover share: the search's best grouping, offered after every strict
// improvement, and the proven lower bound, which only ever rises. The search's side is a short
// copy under a lock and an atomic read, so the prover never holds the search up.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/problem.h"

namespace quorvale {

class ProofBoard {
 public:
  // `first_bound`: a lower bound known before the search, such as ProvenBound.
  explicit ProofBoard(int64_t first_bound) : lower_bound_(first_bound) {}

  // Search thread: BestAssignment and BestScore have just been set.
  void OfferBest(const Problem& problem);
  // Any thread: no grouping scores below this.
  int64_t LowerBound() const { return lower_bound_.load(std::memory_order_acquire); }

  // Prover thread: raises the lower bound to `bound` when it is higher.
  void RaiseLowerBound(int64_t bound);
  // Prover thread: waits until a best grouping has been offered and has then stood for
  // `settle_ms` without a better one, and copies it out. Returns false, copying nothing, once
  // `stop` is set and Wake has been called.
  bool WaitForSettledBest(int64_t settle_ms, const std::atomic<bool>& stop,
                          std::vector<int32_t>& assignment, int64_t& score);
  // Wakes a waiting prover so that it can look at its stop flag.
  void Wake();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int32_t> best_;  // BestAssignment as last offered; empty before the first offer
  int64_t best_score_ = 0;
  uint64_t version_ = 0;
  std::atomic<int64_t> lower_bound_;
};

}  // namespace quorvale
