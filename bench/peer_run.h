// What a run of one of the peers' stand-ins (bench/local_maximum_peer.h,
// bench/three_phase_peer.h) reports: its best score over time and its best grouping.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "engine/problem.h"

namespace quorvale::bench {

// When the best grouping improved, and to what.
struct ScorePoint {
  int64_t ms;
  int64_t best;
};

struct PeerRun {
  std::vector<ScorePoint> points;      // in time order, one per improvement of the best
  int64_t repetitions = 0;             // local maxima reached, or generations
  std::vector<int32_t> best_grouping;  // entries 1..N, of the last point's score
  // The best score seen at or before `ms` (the first point's before it).
  int64_t BestAt(int64_t ms) const {
    int64_t best = points.empty() ? 0 : points.front().best;
    for (const ScorePoint& point : points) {
      if (point.ms <= ms) best = point.best;
    }
    return best;
  }
};

// A random grouping with the dealt one's group sizes and type counts: each type's persons take
// its groups in a random order.
void RandomGrouping(const Problem& p, std::mt19937_64& rng, std::vector<int32_t>& grouping);

}  // namespace quorvale::bench
