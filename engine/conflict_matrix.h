// Pair weights and the Target Score. BuildConflictMatrix turns the attribute columns of the data
// into ConflictMatrix and computes the lower bound that no grouping with the dealt group sizes
// can beat; after it, nothing reads the attribute columns again.
#pragma once

#include <cstdint>
#include <vector>

#include "base/status.h"
#include "engine/engine.h"
#include "engine/problem.h"

namespace quorvale {

// The fewest same-group pairs among `holders` persons spread over `groups` groups.
// REQUIRES: holders >= 0, groups >= 1.
int64_t MinSpreadPairs(int64_t holders, int64_t groups);

// The most same-group pairs among `holders` persons when R = large_groups groups hold M + 1
// persons and the others M = base_size. REQUIRES: 0 <= holders <= the number of persons.
int64_t MaxPackedPairs(int64_t holders, int64_t base_size, int64_t large_groups);

// The most same-group pairs among `holders` persons in groups of the given sizes, largest first:
// filling the largest groups first packs the most. REQUIRES: holders <= the sizes' sum.
int64_t MaxPackedPairsIn(int64_t holders, const std::vector<int32_t>& sizes_largest_first);

// Builds ConflictMatrix, TargetScore (of the whole schedule with rounds: ScheduleTargetScore),
// ShownTargetScore, BaseGroupSize, LargeGroupCount and NonZeroPairs from problem.DataTable, row by
// row with the kernels of `level` (or the best this processor has below it). The inverted code of a
// column is cleared from DataTable.
//
// Fails when a pair's total weight does not fit the 16-bit matrix (naming the two persons and
// their total), or when a person's weights add up beyond what the 32-bit group sums can hold.
Status BuildConflictMatrix(Problem& problem, KernelLevel level = SupportedKernelLevel());

}  // namespace quorvale
