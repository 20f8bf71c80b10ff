// ProvenBound: a lower bound on the score of every grouping that keeps the dealt group sizes and
// each group's number of persons of each type. Like the Target Score it bounds each category on
// its own, but it also respects the type counts, so it is never below the Target Score and often
// above it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/problem.h"
#include "proof/categories.h"

namespace quorvale {

// Places per group and person type as dealt: places[g][t] for groups 1..G (entry 0 unused) and
// type index t = type - 1. Persons left in group 0 are never moved and count on their own.
struct DealtPlaces {
  std::vector<std::array<int32_t, 2>> places;
  int groups() const { return static_cast<int>(places.size()) - 1; }
};

// The places of the current Assignment. REQUIRES: DealInitialAssignment has run.
DealtPlaces PlacesOfDeal(const Problem& problem);

// The fewest same-group pairs among `holders[t]` persons of each type over the dealt places.
// Exact. REQUIRES: holders[t] <= the places of type t.
int64_t LeastSameGroupPairs(std::array<int32_t, 2> holders, const DealtPlaces& places);

// The same with `already[g]` members fixed in group g (1..G; empty: none) besides the holders,
// whose places `dealt` no longer counts; their pairs are included. Exact.
int64_t LeastPairsAround(std::array<int32_t, 2> holders, const DealtPlaces& dealt,
                         const std::vector<int32_t>& already);

// The most same-group pairs among them: exact when a small dynamic programme fits the work
// budget (which it then draws on), otherwise a bound that is never below the exact value.
int64_t MostSameGroupPairs(std::array<int32_t, 2> holders, const DealtPlaces& places,
                           int64_t* work_budget = nullptr);

// The sum, over categories, of the weight times the least (positive weight) or most (negative
// weight) same-group pairs, plus the fixed pairs of persons left in group 0, plus the least the
// wishes beyond pairs add (WishTerms::Bound). Never below
// TargetScore when every person is dealt (with persons left in group 0 the Target Score can
// exceed the best possible score, so it is not used). REQUIRES: `categories` from ListCategories,
// Assignment as dealt. With rounds, the bound of one round's grouping (ScheduleTargetScore makes
// it the schedule's).
int64_t ProvenBound(const Problem& problem, const std::vector<Category>& categories);

}  // namespace quorvale
