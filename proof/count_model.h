// The exact count model. Persons of one type who belong to the same categories are
// interchangeable, so a grouping is fully described, score and all, by how many persons of each
// such profile each group holds. The model states the best grouping over these counts; a MILP
// solver (engine/count_solver.h) solves it.
//
// Score of a grouping: constant + scale x (sum over categories c and groups g of
// unit_weight[c] x C(h, 2), h being the members of c in g, plus the unit weight of every buddy
// value and group with exactly one of its holders there). Groups with the same places of each
// type are interchangeable; the model orders them to break that symmetry.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/problem.h"
#include "proof/categories.h"
#include "proof/proven_bound.h"

namespace quorvale {

// The model is built only up to this many profile-group counts: beyond it the solver has little
// chance to prove anything within a run, and its memory grows with it. 60 persons, all different,
// in 12 groups make 720.
inline constexpr int64_t kMaxModelCounts = 2400;
// And only up to this many variables in all (counts, pair terms and their per-count choices).
inline constexpr int64_t kMaxModelVariables = 40000;

struct CountProfile {
  int32_t type_index = 0;           // 0 for type 1, 1 for type 2
  int32_t persons = 0;              // how many persons share the profile
  std::vector<int32_t> categories;  // indexes into CountModel::categories
};

struct CountCategory {
  int64_t unit_weight = 0;        // the weight divided by CountModel::scale
  std::vector<int32_t> profiles;  // the profiles of its dealt members
  int32_t members = 0;            // dealt members
  std::array<int32_t, 2> members_of_type{0, 0};
  // The least (positive weight) or most (negative) same-group pairs of its dealt members, as
  // ProvenBound counts them: a valid row that lifts the model's relaxation to ProvenBound.
  int64_t pair_limit = 0;
};

// A value of a buddy column: a group that holds exactly one of its holders costs unit_weight.
struct CountBuddy {
  int64_t unit_weight = 0;        // the cost of one alone, divided by CountModel::scale
  std::vector<int32_t> profiles;  // the profiles of its dealt holders
  int32_t members = 0;
};

struct CountModel {
  bool built = false;    // false: beyond the size limits, or nothing to decide
  int64_t scale = 1;     // common divisor of the weights, in hundredths
  int64_t constant = 0;  // pairs among persons left in group 0, in hundredths
  std::vector<CountProfile> profiles;
  std::vector<CountCategory> categories;
  // The buddy values with two or more dealt holders (one holder is alone in any grouping: that
  // cost is in `constant`). The model states the buddy terms exactly; the average terms it leaves
  // out.
  std::vector<CountBuddy> buddies;
  std::vector<int32_t> profile_of;  // per person 1..N: its profile, -1 when not dealt
  DealtPlaces places;
  // Per group 1..G: the nearest earlier group with the same places of each type, or 0.
  std::vector<int32_t> twin_before;

  int groups() const { return places.groups(); }
  int64_t counts() const { return static_cast<int64_t>(profiles.size()) * groups(); }
  // Most members of category c that group g can hold.
  int32_t MostMembers(size_t c, int g) const;
};

// Builds the model for the dealt grouping of `problem` (Assignment as dealt, types final).
CountModel BuildCountModel(const Problem& problem, const std::vector<Category>& categories);

// counts[p * G + (g - 1)] for the grouping `assignment` (persons 1..N), with the interchangeable
// groups renumbered into the model's order, so that it satisfies the symmetry rows.
std::vector<int32_t> CountsOfGrouping(const CountModel& model,
                                      const std::vector<int32_t>& assignment);

// The score of a grouping given by its counts, in hundredths.
int64_t ScoreOfCounts(const CountModel& model, const std::vector<int32_t>& counts);

// The key by which interchangeable groups are ordered (non-increasing).
int64_t SymmetryKey(const CountModel& model, const std::vector<int32_t>& counts, int g);

}  // namespace quorvale
