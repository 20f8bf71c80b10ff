// The straightforward build of the conflict matrix, column by column: the yardstick for the row
// build in the tests and the benchmark.
#pragma once

#include <cstdint>

#include "engine/problem.h"

namespace quorvale {

// Adds every weighted column's weight into ConflictMatrix, one column at a time, to each pair
// that shares a code other than the column's majority code (held by more than half of the
// persons) and to each pair of persons without the majority code; then counts the pairs k < j
// with a non-zero entry and returns that count. Reads DataTable as it was read from the file.
// REQUIRES: the matrix is all zeros, and no pair's total can leave the 16-bit range.
int64_t PlainBuildMatrix(Problem& problem);

}  // namespace quorvale
