#include "engine/deep_tuning.h"

#include <algorithm>

namespace quorvale {

namespace {

// The group size from which a round starts by exchanging a quarter of the persons.
constexpr int64_t kFullStartGroupSize = 25;

}  // namespace

// Measured on the instances of bench/search_quality.cc. Small weak strengths let the descent undo
// the perturbation. A round start of a quarter of the persons suits groups of 25 and more (mixed
// weights; classes, where it grows to a new random grouping); with groups of 4 or 5 it is close
// to a new random grouping at once, and one of a few exchanges found far better groupings there,
// so it shrinks with the square of the group size. A weak perturbation touches a few groups:
// where there are many, a round tries more of them before it gives up.
DeepTuning TuningFor(const DeepShape& shape) {
  const int64_t movers = shape.movers;
  const int64_t groups = std::max(1, shape.groups);
  DeepTuning t;
  t.weak_min = 5;
  t.weak_max = std::max<int32_t>(t.weak_min, static_cast<int32_t>(movers / 2));
  t.patience = std::max<int32_t>(10, static_cast<int32_t>(groups / 4));
  t.strong_max = std::max<int32_t>(t.weak_max, static_cast<int32_t>(movers));
  // movers / 4 * min(1, (group size / kFullStartGroupSize)^2), with group size movers / groups.
  const int64_t full = groups * kFullStartGroupSize;
  const int64_t start = movers >= full ? movers / 4 : movers * movers * movers / (4 * full * full);
  t.strong_min = std::max<int32_t>(t.weak_min, static_cast<int32_t>(start));
  return t;
}

}  // namespace quorvale
