// Each attribute column's part of the score. The Target Score is a sum of per-column bound
// terms, and a grouping's score is a sum over columns of the weight of the pairs that share a
// category there; these figures show where a gap between the two lies. They are read from the
// engine's own tables (the bound terms recorded as the Target Score is summed, the codes left in
// DataTable after a majority code is turned around), so they add up to TargetScore and to a
// full evaluation's score exactly. With rounds they are one round's: one grouping's share of the
// whole schedule's Target Score.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvale {

struct Problem;

// What BuildConflictMatrix records of one attribute column.
struct ColumnBound {
  int32_t weight = 0;
  int64_t least = 0;          // the column's bound terms: its share of TargetScore
  int32_t majority_code = 0;  // the code held by more than half of the persons, 0 if none
  // Persons 1..N who held the majority code (index 0 unused); empty when there is none.
  std::vector<uint8_t> majority_holder;
};

// Each attribute column's contribution to the score of `assignment` (group of persons 1..N,
// index 0 unused), in hundredths; entries 0 and 1 are 0. Persons in group 0 (never dealt) are
// counted among themselves, as EvaluateAssignment counts them.
// REQUIRES: BuildConflictMatrix has run on `problem`.
std::vector<int64_t> ColumnContributions(const Problem& problem,
                                         const std::vector<int32_t>& assignment);

// The fewest groups that `holders` persons can share when R = large_groups groups hold M + 1
// persons and the others M = base_size: the tightest packing.
int64_t FewestGroupsFor(int64_t holders, int64_t base_size, int64_t large_groups);
// The same for groups of the given sizes, largest first.
int64_t FewestGroupsIn(int64_t holders, const std::vector<int32_t>& sizes_largest_first);

}  // namespace quorvale
