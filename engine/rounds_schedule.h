// Several rounds of groupings of one problem, with the tables that give any exchange's change of
// the whole schedule's score at once: every round's pair weights and wishes beyond pairs, and the
// repeat weight of the pairs who meet in more than one round.
//
// Invariant: for every round r, person x and group g,
//   T_r[x][g] = sum over the members m of g in round r of M[x][m] + E_r(x, m),
// E_r(x, m) being the repeat weight where x and m are not exempt and meet in some other round
// (cnt(x, m) less their meeting in round r, if any, is 1 or more), else 0. Being together in
// round r then costs exactly E_r more than being apart, so the exchange gain of the pair weights
// (engine/kernels/exchange_gain.h) over these sums is the change of the pair and repeat score
// together. An exchange in round r moves the rows of k and j between two columns of T_r, and in
// every other round r' changes E_r' only for pairs whose count of meetings elsewhere passes
// between 0 and 1: O(N + R x the two groups' sizes). score() equals a full recount: every
// round's EvaluateAssignment plus the RepeatMeetings cost.
//
// Only persons of one exchange class (a dealt type; a pinned person has a type of its own and
// none) trade groups, so no round changes its sizes or its count of any type.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/problem.h"
#include "engine/repeat_meetings.h"
#include "engine/wish_terms.h"

namespace quorvale {

class RoundsSchedule {
 public:
  // For `problem`'s matrix, types, wishes, repeat weight and exempt pairs; the problem must
  // outlive the schedule.
  explicit RoundsSchedule(const Problem& problem);

  // Takes `rounds` (1 to kMaxRounds groupings, entries 1..N, each dealt as the problem's
  // grouping: the same persons in group 0, the same sizes and counts of each class) and
  // evaluates them in full.
  void Load(const std::vector<std::vector<int32_t>>& rounds);

  int32_t rounds() const { return static_cast<int32_t>(groupings_.size()); }
  int64_t score() const { return score_; }
  const std::vector<std::vector<int32_t>>& groupings() const { return groupings_; }
  const RepeatMeetings& meetings() const { return meetings_; }
  // Exchange classes 1..classes(); 0: a person who never moves.
  int32_t classes() const { return static_cast<int32_t>(class_members_.size()); }
  int32_t Class(int32_t person) const { return class_[static_cast<size_t>(person)]; }
  const std::vector<int32_t>& ClassMembers(int32_t c) const {
    return class_members_[static_cast<size_t>(c - 1)];
  }
  int32_t Group(int32_t round, int32_t person) const {
    return groupings_[static_cast<size_t>(round)][static_cast<size_t>(person)];
  }
  // T_r[person][its own group]: its pair weights with its group's members in `round`, and the
  // repeat weight for each of them it meets in another round too.
  int64_t Own(int32_t round, int32_t person) const {
    return Cell(round, person, Group(round, person));
  }

  // The amount by which the score falls when k and j exchange their groups in `round` (0-based).
  // REQUIRES: k and j of one class, in different groups of that round.
  int64_t Gain(int32_t round, int32_t k, int32_t j) const {
    const int32_t gk = Group(round, k);
    const int32_t gj = Group(round, j);
    // Apart in this round, so every meeting of k and j is in another round.
    const int64_t m_kj = matrix_.Row(k)[j] + Elsewhere(k, j, 0);
    int64_t gain = 2 * m_kj + Cell(round, k, gk) + Cell(round, j, gj) - Cell(round, k, gj) -
                   Cell(round, j, gk);
    const WishTerms& terms = terms_[static_cast<size_t>(round)];
    if (!terms.empty()) gain -= terms.ExchangeDelta(k, j, gk, gj);
    return gain;
  }
  // Makes that exchange.
  void Exchange(int32_t round, int32_t k, int32_t j);

  // PersonConflict of `round`'s grouping (entries 0..N): pair weights alone.
  void CopyPersonConflicts(int32_t round, std::vector<int32_t>& out) const;

 private:
  int64_t Cell(int32_t round, int32_t person, int32_t group) const {
    return tables_[static_cast<size_t>(round)]
                  [static_cast<size_t>(person) * stride_ + static_cast<size_t>(group)];
  }
  int64_t& Cell(int32_t round, int32_t person, int32_t group) {
    return tables_[static_cast<size_t>(round)]
                  [static_cast<size_t>(person) * stride_ + static_cast<size_t>(group)];
  }
  // E for persons x and m whose meetings in the round looked at number `here` (0 or 1).
  int64_t Elsewhere(int32_t x, int32_t m, int32_t here) const {
    return !meetings_.Exempt(x, m) && meetings_.Meetings(x, m) - here >= 1 ? weight_ : 0;
  }
  bool Together(int32_t round, int32_t x, int32_t m) const {
    const int32_t g = Group(round, x);
    return g != 0 && g == Group(round, m);
  }
  // The meetings of p and m change by `change` (+1 or -1) in round `round`: E of that pair in
  // every other round where that makes it pass between 0 and 1.
  void Recount(int32_t round, int32_t p, int32_t m, int32_t change);

  const Problem& p_;
  const Table2D<int16_t>& matrix_;
  const int32_t n_;
  const size_t stride_;  // G + 1 cells per person in a round's table
  const int64_t weight_;
  std::vector<int32_t> class_;                       // N + 1
  std::vector<std::vector<int32_t>> class_members_;  // per class, persons in order
  std::vector<std::vector<int32_t>> groupings_;      // per round, N + 1
  // Per round and group, its members; and each person's place in its group's list.
  std::vector<std::vector<std::vector<int32_t>>> members_;
  std::vector<std::vector<int32_t>> place_;
  std::vector<std::vector<int64_t>> tables_;  // per round, (N + 1) x (G + 1): T_r
  std::vector<WishTerms> terms_;              // per round
  RepeatMeetings meetings_;
  int64_t score_ = 0;
};

}  // namespace quorvale
