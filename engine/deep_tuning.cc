#include "engine/deep_tuning.h"

#include <algorithm>

namespace quorvale {

// Measured on the instances of bench/search_quality.cc: small strengths let the descent undo the
// perturbation; a round start of a quarter of the persons suited mixed weights, one as strong as
// a new random grouping the classes, so it grows from the one to the other.
DeepTuning TuningFor(const DeepShape& shape) {
  const int32_t movers = shape.movers;
  DeepTuning t;
  t.weak_min = 5;
  t.weak_max = std::max(t.weak_min, movers / 2);
  t.patience = 10;
  t.strong_max = std::max(t.weak_max, movers);
  t.strong_min = std::max(t.weak_min, movers / 4);
  return t;
}

}  // namespace quorvale
