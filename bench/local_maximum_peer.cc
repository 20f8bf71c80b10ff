#include "bench/local_maximum_peer.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <random>
#include <thread>

#include "engine/deep_chain.h"

namespace quorvale::bench {

namespace {

// One thread's repetitions; false when the time ran out before the local maximum.
class Repeater {
 public:
  Repeater(const Problem& p, uint64_t seed) : p_(p), chain_(p, seed), rng_(seed) {
    for (int32_t r = 1; r <= p.PersonCount(); ++r) {
      if (p.Type(r) == 1 || p.Type(r) == 2) movers_.push_back(r);
    }
  }

  bool Repetition(Clock& clock, int64_t limit_ms) {
    RandomGrouping(p_, rng_, grouping_);
    chain_.Load(grouping_);
    const std::vector<int32_t>& grp = chain_.assignment();
    for (bool improved = true; improved;) {
      improved = false;
      chain_.Mark();  // the undo log is not needed; keep it short
      for (const int32_t k : movers_) {
        if (grp[static_cast<size_t>(k)] == 0) continue;
        if (clock.ElapsedMs() >= limit_ms) return false;
        int64_t best_gain = 0;
        int32_t partner = 0;
        for (const int32_t j : movers_) {
          if (p_.Type(j) != p_.Type(k) || grp[static_cast<size_t>(j)] == 0 ||
              grp[static_cast<size_t>(j)] == grp[static_cast<size_t>(k)]) {
            continue;
          }
          const int64_t gain = chain_.Gain(k, j);
          if (gain > best_gain) {
            best_gain = gain;
            partner = j;
          }
        }
        if (partner != 0) {
          chain_.Exchange(k, partner);
          improved = true;
        }
      }
    }
    return true;
  }

  int64_t score() const { return chain_.score(); }
  const std::vector<int32_t>& grouping() const { return chain_.assignment(); }

 private:
  const Problem& p_;
  DeepChain chain_;
  std::mt19937_64 rng_;
  std::vector<int32_t> movers_;
  std::vector<int32_t> grouping_;
};

}  // namespace

PeerRun RunLocalMaximumPeer(const Problem& problem, Clock& clock, uint64_t seed, int64_t limit_ms,
                            int threads) {
  PeerRun run;
  std::mutex mutex;
  int64_t best = std::numeric_limits<int64_t>::max();
  const auto work = [&](uint64_t thread_seed) {
    Repeater repeater(problem, thread_seed);
    while (repeater.Repetition(clock, limit_ms)) {
      const std::lock_guard<std::mutex> lock(mutex);
      ++run.repetitions;
      if (repeater.score() < best) {
        best = repeater.score();
        run.points.push_back({clock.ElapsedMs(), best});
        run.best_grouping = repeater.grouping();
      }
    }
  };
  std::vector<std::thread> others;
  for (int t = 1; t < threads; ++t) others.emplace_back(work, seed + static_cast<uint64_t>(t));
  work(seed);
  for (std::thread& other : others) other.join();
  return run;
}

}  // namespace quorvale::bench
