// The AVX2 kernel of the row build: eight partners per step, the totals summed, checked and
// narrowed in registers. Compiled for AVX2 function by function and only called after the
// processor has been found to support it.
#include <immintrin.h>

#include <cstring>

#include "engine/kernels/matrix_row_kernels.h"

#define QM_AVX2 __attribute__((target("avx2")))

namespace quorvale {

namespace {

constexpr int32_t kLanes = 8;

QM_AVX2 inline __m256i Load(const int32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

QM_AVX2 RowFigures Row(const PairColumns& cols, const int32_t* keys, const int32_t* paired,
                       int32_t k, int32_t n, int16_t* row) {
  const size_t count = cols.weights.size();
  const int32_t* codes = cols.codes.data();
  const int32_t* non_holders = cols.non_holders.data();
  const int32_t* weights = cols.weights.data();
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i least = zero;
  __m256i most = zero;
  int64_t non_zero = 0;
  for (int32_t j = 0; j <= n; j += kLanes) {
    __m256i sum = zero;
    size_t at = static_cast<size_t>(j);
    for (size_t c = 0; c < count; ++c, at += cols.stride) {
      const __m256i same = _mm256_cmpeq_epi32(Load(codes + at), _mm256_set1_epi32(keys[c]));
      sum = _mm256_add_epi32(sum, _mm256_and_si256(same, _mm256_set1_epi32(weights[c])));
      if (paired[c] != 0) {
        sum = _mm256_add_epi32(
            sum, _mm256_and_si256(Load(non_holders + at), _mm256_set1_epi32(paired[c])));
      }
    }
    // k shares every code with itself; the diagonal stays 0.
    if (k - j < kLanes && k >= j) {
      sum = _mm256_andnot_si256(_mm256_cmpeq_epi32(lane, _mm256_set1_epi32(k - j)), sum);
    }
    least = _mm256_min_epi32(least, sum);
    most = _mm256_max_epi32(most, sum);
    const auto zeros = static_cast<uint32_t>(
        _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(sum, zero))));
    non_zero += kLanes - __builtin_popcount(zeros);
    const __m128i narrow =
        _mm_packs_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
    const int32_t left = n + 1 - j;
    if (left >= kLanes) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + j), narrow);
    } else {
      // The row ends here: nothing past entry n may be written.
      alignas(16) int16_t lanes[kLanes];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), narrow);
      std::memcpy(row + j, lanes, static_cast<size_t>(left) * sizeof(int16_t));
    }
  }
  alignas(32) int32_t low[kLanes];
  alignas(32) int32_t high[kLanes];
  _mm256_store_si256(reinterpret_cast<__m256i*>(low), least);
  _mm256_store_si256(reinterpret_cast<__m256i*>(high), most);
  RowFigures figures;
  for (int i = 0; i < kLanes; ++i) {
    figures.least = low[i] < figures.least ? low[i] : figures.least;
    figures.most = high[i] > figures.most ? high[i] : figures.most;
  }
  figures.non_zero = non_zero;
  return figures;
}

}  // namespace

RowFigures Avx2MatrixRow(const PairColumns& columns, const int32_t* keys, const int32_t* paired,
                         int32_t k, int32_t n, int16_t* row) {
  return Row(columns, keys, paired, k, n, row);
}

}  // namespace quorvale
