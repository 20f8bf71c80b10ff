// A proof by placing the packed categories' members. When every packed (weight 0 or below)
// category draws on a few persons, the count model's relaxation is weak exactly there: it packs
// fractions of persons whose other categories it then spreads freely. This proof instead tries
// every placement of those few persons (interchangeable persons and interchangeable empty groups
// tried once), bounding each partial placement by the categories one by one around what is
// placed: the spread categories' least pairs and the packed ones' most pairs with the placed
// persons fixed and everyone else free over the places left. A placement whose bound does not
// fall below the best known score cannot lead to a better grouping; when no placement does, the
// best known grouping is the best possible.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "proof/count_model.h"

namespace quorvale {

// The proof is tried only when the packed categories draw on at most this many persons, and
// gives up after this many placements (each costs a pass over the categories).
inline constexpr int kMaxPlacedPersons = 28;
inline constexpr int64_t kMaxPlacements = 20'000'000;
inline constexpr int kMaxPlacementChecks = 200;

// Settles a placement whose bound still falls below the best known score: given the counts of
// every placed profile (counts[q * G + (g - 1)], -1 for the profiles not placed), returns true
// when no grouping with those counts scores below the best known score. An exact solver over
// what is left closes most of them: only spreading remains, where the bounds are nearly tight.
using PlacementCheck = std::function<bool(const std::vector<int32_t>& counts)>;

enum class PlacementVerdict {
  kProven,      // no grouping scores below the best known score
  kOpen,        // a placement's bound fell below it
  kDoesNotFit,  // no packed category, or too many persons to place
  kCutShort,    // stopped, out of time or out of placements
};

// `best_score` in hundredths (a grouping's score, as ScoreOfCounts gives it). Open placements go
// to `check` (when given), at most kMaxPlacementChecks of them. Returns soon after `stop` becomes
// true or `seconds` of wall time have passed. REQUIRES: model.built.
PlacementVerdict ProveByPlacement(const CountModel& model, int64_t best_score, double seconds,
                                  const std::atomic<bool>& stop,
                                  const PlacementCheck& check = nullptr);

}  // namespace quorvale
