#include "engine/elite_pool.h"

#include <algorithm>

namespace quorvale {

void ElitePool::Offer(int64_t score, const std::vector<int32_t>& grouping) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (const Entry& entry : entries_) {
    if (entry.score == score) return;
  }
  if (entries_.size() < kSize) {
    entries_.push_back({score, grouping});
    return;
  }
  auto worst = std::max_element(entries_.begin(), entries_.end(),
                                [](const Entry& a, const Entry& b) { return a.score < b.score; });
  if (score < worst->score) {
    worst->score = score;
    worst->grouping = grouping;
  }
}

bool ElitePool::Mate(DeepChain& chain, int64_t best, std::vector<int32_t>& mate) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.size() < 2) return false;
  size_t pick = chain.Draw(static_cast<uint32_t>(entries_.size()));
  if (entries_[pick].score == best) pick = (pick + 1) % entries_.size();
  mate = entries_[pick].grouping;
  return true;
}

void ElitePool::Clear() {
  const std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
}

}  // namespace quorvale
