// The kernels of the matrix's row build: the weighted columns as they read them, and one row
// of pair totals per call, portable or vectorised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvale {

// The weighted attribute columns as the row build reads them: one padded array per column, so
// that a kernel reads whole vectors from any person on. Entry 0 and the padding hold 0, which
// matches nothing.
struct PairColumns {
  size_t stride = 0;             // entries per array: persons 0..N and padding, a multiple of 16
  std::vector<int32_t> weights;  // per weighted column
  std::vector<int32_t> codes;    // column c at c * stride: the code, 0 for none or the inverted one
  std::vector<int32_t> non_holders;  // at c * stride: -1 for a person without the inverted code
  std::vector<uint8_t> inverted;     // per column: 1 when it has an inverted code
  int64_t reachable = 0;             // the largest magnitude a pair's total can take
};

// What a kernel reports of one row: the smallest and largest total (the diagonal counts as 0)
// and how many entries are not 0.
struct RowFigures {
  int64_t least = 0;
  int64_t most = 0;
  int64_t non_zero = 0;
};

// One row k of the matrix, entries 0..n. `keys[c]` is k's code in column c (-1 for none, which
// matches nothing), `paired[c]` the column's weight when k does not hold its inverted code and 0
// otherwise. Entries are narrowed to 16 bits with saturation; they are exact when the figures
// lie in range.
using MatrixRowKernel = RowFigures (*)(const PairColumns& columns, const int32_t* keys,
                                       const int32_t* paired, int32_t k, int32_t n, int16_t* row);

// The AVX2 and AVX-512 versions sum in 32 bits: REQUIRES columns.reachable <= INT32_MAX.
RowFigures PortableMatrixRow(const PairColumns& columns, const int32_t* keys, const int32_t* paired,
                             int32_t k, int32_t n, int16_t* row);
RowFigures Avx2MatrixRow(const PairColumns& columns, const int32_t* keys, const int32_t* paired,
                         int32_t k, int32_t n, int16_t* row);
RowFigures Avx512MatrixRow(const PairColumns& columns, const int32_t* keys, const int32_t* paired,
                           int32_t k, int32_t n, int16_t* row);

}  // namespace quorvale
