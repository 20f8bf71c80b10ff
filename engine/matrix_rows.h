// The conflict matrix built one row at a time: each row's pair totals are added up from every
// weighted column at once, checked and narrowed in registers, and written out in order, so the
// matrix is written sequentially and never needs a scratch copy. The same pass counts the
// non-zero pairs.
#pragma once

#include <cstdint>
#include <vector>

#include "base/status.h"
#include "engine/engine.h"
#include "engine/kernels/matrix_row_kernels.h"
#include "engine/problem.h"

namespace quorvale {

// The columns of `problem` with weight != 0; `inverted` holds each column's inverted code (0 for
// none), whose holders still hold it in DataTable.
PairColumns CollectPairColumns(const Problem& problem, const std::vector<int32_t>& inverted);

// Fills rows 1..N of problem.ConflictMatrix from `columns` with the kernel of `level` (the
// portable one below AVX2, or when totals may need more than 32 bits) and sets `non_zero_pairs`
// to the number of pairs k < j with a non-zero entry. Fails, naming the first pair row by row,
// when a pair's total leaves the 16-bit range, or when a person's weights add up beyond what
// the 32-bit group sums can hold.
Status FillMatrixRows(Problem& problem, const PairColumns& columns, KernelLevel level,
                      int64_t& non_zero_pairs);

}  // namespace quorvale
