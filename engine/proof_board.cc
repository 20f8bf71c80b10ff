// The board between the search and the prover.
#include "engine/proof_board.h"

#include <chrono>

namespace quorvale {

void ProofBoard::OfferBest(const Problem& problem) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    best_.assign(problem.BestAssignment.begin(), problem.BestAssignment.end());
    best_score_ = problem.BestScore;
    ++version_;
  }
  changed_.notify_all();
}

void ProofBoard::RaiseLowerBound(int64_t bound) {
  int64_t known = lower_bound_.load(std::memory_order_relaxed);
  while (bound > known &&
         !lower_bound_.compare_exchange_weak(known, bound, std::memory_order_release)) {
  }
}

bool ProofBoard::WaitForSettledBest(int64_t settle_ms, const std::atomic<bool>& stop,
                                    std::vector<int32_t>& assignment, int64_t& score) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return stop.load() || version_ > 0; });
  for (;;) {
    if (stop.load()) return false;
    const uint64_t seen = version_;
    // Settled when the wait runs out without a newer offer.
    if (!changed_.wait_for(lock, std::chrono::milliseconds(settle_ms),
                           [&] { return stop.load() || version_ != seen; })) {
      assignment = best_;
      score = best_score_;
      return true;
    }
  }
}

void ProofBoard::Wake() {
  { std::lock_guard<std::mutex> lock(mutex_); }
  changed_.notify_all();
}

}  // namespace quorvale
