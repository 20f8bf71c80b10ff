// The AVX-512 kernel of the row build: sixteen partners per step, the totals summed, checked and
// narrowed in registers. Compiled for AVX-512 function by function and only called after the
// processor has been found to support it.
#include "engine/kernels/avx512.h"

#include "engine/kernels/matrix_row_kernels.h"

namespace quorvale {

using avx512::kLanes;

namespace {

QM_AVX512 inline __m512i Load(const int32_t* p) { return _mm512_loadu_si512(p); }

QM_AVX512 RowFigures Row(const PairColumns& cols, const int32_t* keys, const int32_t* paired,
                         int32_t k, int32_t n, int16_t* row) {
  const size_t count = cols.weights.size();
  const int32_t* codes = cols.codes.data();
  const int32_t* non_holders = cols.non_holders.data();
  const int32_t* weights = cols.weights.data();
  const __m512i zero = _mm512_setzero_si512();
  __m512i least = zero;
  __m512i most = zero;
  int64_t non_zero = 0;
  for (int32_t j = 0; j <= n; j += kLanes) {
    __m512i sum = zero;
    size_t at = static_cast<size_t>(j);
    for (size_t c = 0; c < count; ++c, at += cols.stride) {
      const __mmask16 same = _mm512_cmpeq_epi32_mask(Load(codes + at), _mm512_set1_epi32(keys[c]));
      sum = _mm512_mask_add_epi32(sum, same, sum, _mm512_set1_epi32(weights[c]));
      if (paired[c] != 0) {
        sum = _mm512_add_epi32(
            sum, _mm512_and_si512(Load(non_holders + at), _mm512_set1_epi32(paired[c])));
      }
    }
    // k shares every code with itself; the diagonal stays 0.
    if (k - j < kLanes && k >= j) {
      sum = _mm512_mask_mov_epi32(sum, static_cast<__mmask16>(1u << (k - j)), zero);
    }
    least = _mm512_min_epi32(least, sum);
    most = _mm512_max_epi32(most, sum);
    non_zero += __builtin_popcount(static_cast<uint32_t>(_mm512_test_epi32_mask(sum, sum)));
    const __m256i narrow = _mm512_cvtsepi32_epi16(sum);
    const int32_t left = n + 1 - j;
    // The row ends at entry n: nothing past it may be written.
    const auto valid =
        left >= kLanes ? static_cast<__mmask16>(0xFFFF) : static_cast<__mmask16>((1u << left) - 1u);
    _mm256_mask_storeu_epi16(row + j, valid, narrow);
  }
  RowFigures figures;
  figures.least = _mm512_reduce_min_epi32(least);
  figures.most = _mm512_reduce_max_epi32(most);
  figures.non_zero = non_zero;
  return figures;
}

}  // namespace

RowFigures Avx512MatrixRow(const PairColumns& columns, const int32_t* keys, const int32_t* paired,
                           int32_t k, int32_t n, int16_t* row) {
  return Row(columns, keys, paired, k, n, row);
}

}  // namespace quorvale
