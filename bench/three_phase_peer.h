// A stand-in for the peer's strongest method: the three-phase search with a dynamic population
// size of Yang, Cai, Jin, Tang and Gao, "A three-phase search approach with dynamic population
// size for solving the maximally diverse grouping problem", European Journal of Operational
// Research 302(3), 2022, which the R package anticlust offers as its three-phase search, with
// that package's defaults. Its weights are this program's pair weights (a lower score is
// better, where the paper maximises), and, as everywhere here, only persons of one type trade
// groups, so every group keeps its size and type counts: the paper's one-element moves never
// apply, its swaps are exchanges within a type, and its crossover and directed perturbation
// place persons into groups type by type.
//
// Each generation, every grouping of the population
//   1. takes a strong random perturbation (theta times the group size in random exchanges,
//      theta falling linearly over the run) and the local search;
//   2. is crossed with another member of the population: the child takes, group by group, the
//      best remaining group of either parent into a free group of the child, the rest dealt at
//      random, then the local search; the child replaces its parent when it is no worse, or
//      when it is only slightly worse but far from it (the paper's alpha);
//   3. takes the directed perturbation: each group gives up its most conflicted person of a type
//      and the groups take them back greedily by the least weight per member, three times, then
//      the local search.
// Then the population is cut to its best, its size falling linearly from 15 to the minimum over
// the run. The local search is the deep search's descent, which ends in the same local optima as
// the paper's swap descent and runs faster than the package's own code.
#pragma once

#include <cstdint>

#include "base/clock.h"
#include "bench/peer_run.h"
#include "engine/problem.h"

namespace quorvale::bench {

// Generations until `clock` reads `limit_ms`, on `threads` threads that share nothing but the
// clock, each with a population of its own.
// REQUIRES: the problem's ConflictMatrix is built and its first grouping dealt.
// REQUIRES: `clock` may be read from several threads at once.
PeerRun RunThreePhasePeer(const Problem& problem, Clock& clock, uint64_t seed, int64_t limit_ms,
                          int threads);

}  // namespace quorvale::bench
