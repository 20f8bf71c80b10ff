// A stand-in for the peer the deep search is measured against: the exchange method of the R
// package anticlust with its "local-maximum" option and repetitions (Papenberg and Klau, "Using
// anticlustering to partition data sets into equivalent parts", Psychological Methods 26(2),
// 2021; Papenberg, "K-plus anticlustering", British Journal of Mathematical and Statistical
// Psychology 77(1), 2024), on this program's pair weights. It computes with the deep search's
// chain tables, whose exchange gains take constant time, so it runs at least as fast as the
// package's own C code, which sums a cluster's weights for every exchange it tries.
#pragma once

#include <cstdint>
#include <vector>

#include "base/clock.h"
#include "engine/problem.h"

namespace quorvale::bench {

// When the best grouping improved, and to what.
struct ScorePoint {
  int64_t ms;
  int64_t best;
};

struct PeerRun {
  std::vector<ScorePoint> points;      // in time order, one per improvement of the best
  int64_t repetitions = 0;             // local maxima reached
  std::vector<int32_t> best_grouping;  // entries 1..N, of the last point's score
  // The best score seen at or before `ms` (the first point's before it).
  int64_t BestAt(int64_t ms) const;
};

// Repetitions until `clock` reads `limit_ms`, on `threads` threads that share nothing but the
// clock: each repetition deals a random grouping with the problem's group sizes and type
// counts, then, for every person in turn, makes the best exchange with a person of the same type
// in another group if it lowers the score, in sweeps until a whole sweep makes none.
// REQUIRES: the problem's ConflictMatrix is built and its first grouping dealt.
// REQUIRES: `clock` may be read from several threads at once.
PeerRun RunLocalMaximumPeer(const Problem& problem, Clock& clock, uint64_t seed, int64_t limit_ms,
                            int threads);

}  // namespace quorvale::bench
