// One chain of the deep search: a grouping with tables of its own, the best-improvement exchange
// descent, random exchanges to perturb it, and an undo log to go back to where it was.
//
// Invariant: between calls, tt_[g][r] is the weight of person r with the members of group g
// (group 0 holding the persons never dealt, who never move), pc_[r] = tt_[grp_[r]][r], and score_
// is half the sum of pc_ plus the wishes beyond pairs (terms_), which is what EvaluateAssignment
// computes for the same grouping. An
// exchange of k and j keeps this exact in O(N): row r of the matrix is its column too, so column gk
// of every row gains M[r][j] - M[r][k] and column gj loses it. Only persons of one exchange class
// (a dealt type: 1 or 2, or one of the balance types) trade groups, so no group changes its size
// or its count of any type.
//
// The chain works on positions, not person numbers: when the problem has its persons ordered by
// type (Problem.PersonsByType), a person's partners of its own type are one contiguous run of
// positions and of the matrix copy's row, so a scan reads no person of the other type. Without
// that order a position is the person's number and a scan masks the other type. The public
// calls speak of persons.
//
// The chain reads the problem's matrices, types and order and never writes the problem, so
// several chains may run on one problem in separate threads.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/problem.h"
#include "engine/wish_terms.h"

namespace quorvale {

// A small generator of the deep search: SplitMix64 (Steele, Lea and Flood 2014), the same on
// every platform, so that a chain's moves are fixed by its seed.
class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in 0..bound-1. REQUIRES: bound >= 1.
  uint32_t Below(uint32_t bound) {
    return static_cast<uint32_t>(((Next() >> 32) * uint64_t{bound}) >> 32);
  }

 private:
  uint64_t state_;
};

// The largest sum of |M| along a row of the problem's matrix (a full read of the matrix).
int64_t MeasureLargestRowSum(const Problem& problem);

class DeepChain {
 public:
  // Polled before every eighth person's scan; false stops the descent at once.
  using Poll = std::function<bool()>;

  // Row sums of |M| below this let a scan add its gains in 32 bits.
  static constexpr int64_t kNarrowRowSum = int64_t{1} << 27;

  // Sizes the tables for `problem`, whose ConflictMatrix is built and whose types are final; the
  // chain works in the problem's type order when that is made for its types.
  // Scans add in 64 bits when a row's sum of |M| reaches `narrow_row_sum` (the problem's
  // LargestRowSum when measured, else measured here); they use the vector kernels `level` allows.
  DeepChain(const Problem& problem, uint64_t seed, int64_t narrow_row_sum = kNarrowRowSum,
            KernelLevel level = SupportedKernelLevel());

  // Takes `assignment` (entries 1..N) as the grouping and evaluates it in full.
  void Load(const std::vector<int32_t>& assignment);

  int64_t score() const { return score_; }
  // Each person's group, entries 1..N.
  const std::vector<int32_t>& assignment() const { return by_person_; }
  // PersonConflict of the chain's grouping, entries 0..N.
  void CopyPersonConflicts(std::vector<int32_t>& out) const;
  // Persons that can trade groups with someone.
  int32_t exchangeable() const { return static_cast<int32_t>(movers_.size()); }
  // Of those, the persons in conflict (PersonConflict of 1 or more, or alone with a buddy value).
  int32_t ExchangeableInConflict() const;
  int32_t groups() const { return g_; }
  // Whether the scans add their gains in 64 bits (a row's sum of |M| reached the narrow bound).
  bool wide_sums() const { return !narrow_; }

  // The amount by which the score falls when persons k and j exchange their groups.
  // REQUIRES: k and j in the same class, in different groups.
  int64_t Gain(int32_t k, int32_t j) const { return GainAt(position_of_[k], position_of_[j]); }
  void Exchange(int32_t k, int32_t j) { ExchangeAt(position_of_[k], position_of_[j]); }

  // Exchange descent: each person in turn takes the first partner (in position order) whose
  // exchange lowers the score, in rounds until a whole round finds none. The rounds per person
  // are those of the local-maximum exchange of Papenberg and Klau 2021 (weights negated); taking
  // the first gain instead of the best one did as well or better in the quality benchmark, and
  // costs less. Returns false when `poll` stopped it; the
  // tables are then consistent at the last exchange made.
  //
  // An exchange between groups a and b changes only the gains of pairs with a member of a or b,
  // so a round scans only the members of groups that took part in an exchange since their last
  // scan (a Load counts as an exchange everywhere); at its end no exchange gains.
  bool Descend(const Poll& poll);

  // Makes `count` random exchanges of persons of one class in different groups.
  void Perturb(int32_t count);
  // Makes `count` random exchanges among the members of `groups` groups drawn at random, so that
  // the descent after it has only those groups to scan again.
  void PerturbAmong(int32_t count, int32_t groups);
  // Deals the groups of a random set of persons of one class out again among them in a random
  // order: each person in conflict (PersonConflict of 1 or more, or alone with a buddy value)
  // joins the set with a chance of `share` in 1024, as the scrambler does with its focus on the
  // conflicts. Where that would choose less than one person on average and at most a sixteenth
  // of the class is in conflict, every person in conflict joins it and each other one with a
  // chance of kSpreadRate in 100, as the classic search's spread cycle does.
  void ScrambleConflicts(int32_t share);
  // A crossover with `other` (entries 1..N, the same persons dealt, group sizes and type
  // counts): its groups are matched to the chain's greedily by their largest overlaps, the
  // persons both place alike keep their group, and the others of each class are dealt their
  // groups among them in a random order, so no group changes its size or type counts.
  void CrossWith(const std::vector<int32_t>& other);

  // Starts recording exchanges; Revert undoes every exchange made since, in reverse order.
  // REQUIRES for Revert: the grouping at Mark was the end of a finished descent.
  void Mark() { undo_.clear(); }
  // A number in 0..bound-1 from the chain's generator. REQUIRES: bound >= 1.
  uint32_t Draw(uint32_t bound) { return random_.Below(bound); }
  void Revert();

 private:
  // From here on persons are named by their positions.
  int64_t GainAt(int32_t k, int32_t j) const;
  void ExchangeAt(int32_t k, int32_t j);
  // The first partner in k's type run whose exchange with k gains, or 0.
  template <typename Sum>
  int32_t ImprovingPartner(int32_t k);
  const int16_t* Row(int32_t k) const { return matrix_ + static_cast<size_t>(k) * stride_; }

  const Problem& p_;
  const int32_t n_;
  const int32_t g_;
  bool narrow_ = true;              // the gains of a scan fit 32-bit sums
  bool avx512_;                     // narrow scans may use the AVX-512 kernel
  const int16_t* matrix_;           // ConflictMatrix or its copy in type order
  size_t stride_;                   // the matrix's row length
  std::vector<int32_t> identity_;   // positions when there is no type order
  const int32_t* person_at_;        // position -> person
  const int32_t* position_of_;      // person -> position
  std::vector<int32_t> run_first_;  // per position: the first and last position a scan reads
  std::vector<int32_t> run_last_;
  std::vector<int32_t> by_person_;  // grp_ in person order
  std::vector<int32_t> grp_;
  WishTerms terms_;           // the wishes beyond pairs for the chain's grouping, by person
  const int32_t classes_;     // exchange classes: the dealt types, 1..classes_
  std::vector<int32_t> cls_;  // exchange class of each position, 0 = never exchanged
  // Per class: the person's group if of that class, else 0.
  std::vector<std::vector<int32_t>> slot_;
  int32_t* Tt(int32_t group) {
    return tt_.data() + static_cast<size_t>(group) * static_cast<size_t>(n_ + 1);
  }
  const int32_t* Tt(int32_t group) const {
    return tt_.data() + static_cast<size_t>(group) * static_cast<size_t>(n_ + 1);
  }

  std::vector<int32_t> tt_;      // G + 1 rows of N + 1, group 0 first
  std::vector<int32_t> pc_;      // N + 1
  std::vector<int32_t> kv_;      // G + 1: scratch of a scan
  std::vector<char> dirty_;      // G + 1: the group changed since its last scan
  std::vector<char> sweep_;      // G + 1: the groups the round in progress scans
  std::vector<char> in_play_;    // G + 1: the groups of PerturbAmong
  std::vector<int32_t> movers_;  // persons of an exchange class
  std::vector<std::vector<int32_t>> class_members_;  // per class
  std::vector<std::pair<int32_t, int32_t>> undo_;
  std::vector<int32_t> chosen_;  // scratch of the scrambles
  void ShuffleChosen();
  bool InConflict(int32_t r) const;
  int64_t score_ = 0;
  uint32_t scans_ = 0;
  SplitMix64 random_;
};

}  // namespace quorvale
