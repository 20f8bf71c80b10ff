// The best distinct ends of a deep search's rounds, the parents of its crossovers: at most kSize
// of them, no two of one score (a cheap stand-in for distinct groupings), the worst replaced by a
// better one. Safe to share between chains on several threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/deep_chain.h"

namespace quorvale {

class ElitePool {
 public:
  static constexpr size_t kSize = 8;

  void Offer(int64_t score, const std::vector<int32_t>& grouping);
  // Copies a grouping drawn with the chain's generator into `mate`, not the one of score `best`;
  // false while the pool holds fewer than two.
  bool Mate(DeepChain& chain, int64_t best, std::vector<int32_t>& mate);
  void Clear();

 private:
  struct Entry {
    int64_t score;
    std::vector<int32_t> grouping;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace quorvale
