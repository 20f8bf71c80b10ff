// The terms of the score beyond pairs (model/wishes.h), kept for one grouping: per group, the
// holders of each buddy value and the count, sum and sum of squares of each average column.
//
// A buddy term costs its weight, and a hundredth more, for each person who is the only holder of
// their value in their group: where being alone ties with sharing a group with the others (a
// weight of 200 against a spread of 100, three speakers: 2 + 1 costs a pair and one alone, 3
// costs three pairs), sharing wins. An average term costs, for each group g with n persons who have
// the number,
//   weight x (d1^2 + d2^2 / 4),
//   d1 = (sum of x - n mu) / sigma,   d2 = (sum of (x - mu)^2 - n sigma^2) / tau,
// mu and sigma the whole list's mean and standard deviation and tau the standard deviation of
// (x - mu)^2: d1 is how many standard deviations the group's total lies off its share, d2 the
// same for its spread. So a weight means the same whatever the scale of the numbers, and one
// person of mean + 2 sigma where one of the mean belongs costs about 4 x weight.
//
// Invariant: every group's cost is a function of that group's whole-number counts and sums
// alone, rounded to hundredths, so the score after any exchanges equals a full recount exactly.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"

namespace quorvale {

// Sums of squares of the numbers need more than 64 bits to stay exact.
__extension__ using WideSum = __int128;

class WishTerms {
 public:
  WishTerms() = default;
  // The terms of `model`'s wishes (copied); none when it has none.
  explicit WishTerms(const Model& model);

  bool empty() const { return buddies_.empty() && averages_.empty(); }
  // Counts and sums of `assignment` (entries 1..N; group 0, the persons never dealt, costs
  // nothing) and the terms' score.
  int64_t Load(const std::vector<int32_t>& assignment);
  int64_t score() const { return score_; }
  // The change of the score when persons k and j exchange their groups gk != gj.
  int64_t ExchangeDelta(int32_t k, int32_t j, int32_t gk, int32_t gj) const;
  // Makes that exchange in the counts and sums.
  void Exchange(int32_t k, int32_t j, int32_t gk, int32_t gj);

  // Whether `person`, in `group`, is the only holder of their value of some buddy column: a
  // person the scrambles should move, as they move persons in conflict.
  bool Alone(int32_t person, int32_t group) const;

  // No grouping's terms score less: the buddy values held by one person alone.
  static int64_t Bound(const Model& model);
  // What one person alone with their value of `wish` costs.
  static int64_t AloneCost(const BuddyWish& wish) { return int64_t{wish.weight} + 1; }

  // Each buddy value's holders in group g, and each average column's mean and standard
  // deviation in group g (0 and 0 without numbers there), for the report.
  int32_t BuddyHolders(size_t wish, int32_t group, int32_t value) const;
  struct GroupFigures {
    int64_t persons = 0;
    double mean = 0;
    double deviation = 0;
  };
  GroupFigures AverageFigures(size_t wish, int32_t group) const;

 private:
  struct AverageSums {
    int64_t n = 0;
    int64_t s1 = 0;
    WideSum s2 = 0;
  };
  struct AverageScale {
    double mean = 0;  // mu, in the number's units of 10^-decimals
    double sd = 0;    // sigma
    double tau = 0;   // the standard deviation of (x - mu)^2
  };
  int64_t BuddyCost(size_t wish, int32_t group) const;
  int64_t AverageCost(size_t wish, const AverageSums& sums) const;
  // The change of buddy wish w's cost when a holder of `value` leaves `from` and one joins `to`.
  int64_t BuddyMoveDelta(size_t w, int32_t value, int32_t from, int32_t to) const;

  std::vector<BuddyWish> buddies_;
  std::vector<AverageWish> averages_;
  int32_t groups_ = 0;
  std::vector<std::vector<int32_t>> holders_;   // per buddy wish: (G + 1) x (values + 1)
  std::vector<std::vector<AverageSums>> sums_;  // per average wish: G + 1
  std::vector<AverageScale> scales_;
  int64_t score_ = 0;
};

}  // namespace quorvale
