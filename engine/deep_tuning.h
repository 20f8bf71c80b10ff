// How hard a chain of the deep search perturbs its grouping, from the shape of the problem: the
// persons who trade groups and the number of groups, so the size of a group. The third measure of
// a shape, the persons in conflict, changes as the search goes: the conflict scramble counts them
// each time it runs (DeepChain::ScrambleConflicts).
#pragma once

#include <cstdint>

namespace quorvale {

// At most one in kFewInConflict persons in conflict counts as few: the conflict scramble then
// sweeps them all, and a round starts no farther than one in kFewInConflict persons away.
inline constexpr int32_t kFewInConflict = 16;

struct DeepShape {
  int32_t movers = 0;  // persons who can trade groups with someone
  int32_t groups = 0;
};

struct DeepTuning {
  // The weak perturbation of the maxima search: from weak_min exchanges, one more after each
  // attempt that found nothing better, up to weak_max.
  int32_t weak_min = 0;
  int32_t weak_max = 0;
  int32_t patience = 0;  // failed attempts in a row that end a round
  // The perturbation that starts a round: from strong_min exchanges, half as many again after
  // each round that found nothing better, up to strong_max.
  int32_t strong_min = 0;
  int32_t strong_max = 0;
};

DeepTuning TuningFor(const DeepShape& shape);

}  // namespace quorvale
