// A stand-in for the peer the deep search is measured against: the exchange method of the R
// package anticlust with its "local-maximum" option and repetitions (Papenberg and Klau, "Using
// anticlustering to partition data sets into equivalent parts", Psychological Methods 26(2),
// 2021; Papenberg, "K-plus anticlustering", British Journal of Mathematical and Statistical
// Psychology 77(1), 2024), on this program's pair weights. It computes with the deep search's
// chain tables, whose exchange gains take constant time, so it runs at least as fast as the
// package's own C code, which sums a cluster's weights for every exchange it tries.
#pragma once

#include <cstdint>

#include "base/clock.h"
#include "bench/peer_run.h"
#include "engine/problem.h"

namespace quorvale::bench {

// Repetitions until `clock` reads `limit_ms`, on `threads` threads that share nothing but the
// clock: each repetition deals a random grouping with the problem's group sizes and type
// counts, then, for every person in turn, makes the best exchange with a person of the same type
// in another group if it lowers the score, in sweeps until a whole sweep makes none.
// REQUIRES: the problem's ConflictMatrix is built and its first grouping dealt.
// REQUIRES: `clock` may be read from several threads at once.
PeerRun RunLocalMaximumPeer(const Problem& problem, Clock& clock, uint64_t seed, int64_t limit_ms,
                            int threads);

}  // namespace quorvale::bench
