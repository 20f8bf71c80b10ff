// The AVX2 kernels: eight partners or persons per step. Compiled for AVX2 function by function
// and only called after the processor has been found to support it. The last, partial step
// reads the matrix row through a zero-padded copy, since AVX2 has no masked 16-bit loads.
#include <immintrin.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/kernels/fast_kernels.h"

#define QM_AVX2 __attribute__((target("avx2")))

namespace quorvale {

namespace {

constexpr int kLanes = 8;
// Matrix entries read ahead of use: the hardware's own prefetch alone leaves the scans of a
// matrix beyond the caches well short of the memory's streaming speed.
constexpr int kAhead = 1024;

// Prefetches entry `at` + kAhead of `row`, or its entry `last` when that is nearer: an address
// past the end of the row must not even be formed.
QM_AVX2 inline void PrefetchAhead(const int16_t* row, int32_t at, int32_t last) {
  _mm_prefetch(reinterpret_cast<const char*>(row + std::min(at + kAhead, last)), _MM_HINT_T0);
}

// Eight weights from `row`, widened; past `left` they read as 0 and nothing past it is read.
QM_AVX2 inline __m256i LoadWeights(const int16_t* row, int32_t left) {
  if (left >= kLanes) {
    return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
  }
  int16_t padded[kLanes] = {};
  std::memcpy(padded, row, static_cast<size_t>(left) * sizeof(int16_t));
  return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(padded)));
}

QM_AVX2 inline __m256i LoadGroups(const int16_t* grp) {
  return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(grp)));
}

QM_AVX2 inline uint32_t LaneBits(__m256i flags) {
  return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(flags)));
}

// Lookups of a group's value in k's table, by table size: permutes of up to eight registers of
// eight entries, chosen between by the group number's higher bits, or a gather beyond 64 groups.
enum Lookup { kPermute8, kPermute16, kPermute32, kPermute64, kGather };

// Lanes whose group number has `bit` set.
QM_AVX2 inline __m256i BitSet(__m256i idx, int32_t bit) {
  const __m256i b = _mm256_set1_epi32(bit);
  return _mm256_cmpeq_epi32(_mm256_and_si256(idx, b), b);
}

// Each lane's entry among the 8 * kCount table entries in t, by halving on the group number's bits.
template <int kCount>
QM_AVX2 inline __m256i Permute(const __m256i* t, __m256i idx) {
  if constexpr (kCount == 1) {
    return _mm256_permutevar8x32_epi32(t[0], idx);
  } else {
    constexpr int kHalf = kCount / 2;
    return _mm256_blendv_epi8(Permute<kHalf>(t, idx), Permute<kHalf>(t + kHalf, idx),
                              BitSet(idx, 8 * kHalf));
  }
}

template <Lookup kLookup, bool kOneClass>
QM_AVX2 int32_t FindGain(const ScanRow& row, int32_t first) {
  FillLookup(row);
  constexpr int kTables = kLookup == kPermute64   ? 8
                          : kLookup == kPermute32 ? 4
                          : kLookup == kPermute16 ? 2
                                                  : 1;
  __m256i t[kTables];
  for (int i = 0; i < kTables; ++i) {
    t[i] = _mm256_loadu_si256(
        reinterpret_cast<const __m256i*>(row.lookup + size_t{8} * static_cast<size_t>(i)));
  }
  const __m256i zero = _mm256_setzero_si256();
  const __m128i ck = _mm_set1_epi8(row.ck);
  for (int32_t j = first; j <= row.n; j += kLanes) {
    const int32_t left = row.n - j + 1;
    PrefetchAhead(row.m_row, j, row.n);
    const __m256i w = LoadWeights(row.m_row + j, left);
    const __m256i idx = LoadGroups(row.grp + j);
    __m256i own;
    if constexpr (kLookup == kGather) {
      own = _mm256_i32gather_epi32(row.lookup, idx, 4);
    } else {
      own = Permute<kTables>(t, idx);
    }
    const __m256i partner =
        _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.pc + j)),
                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.tt_gk + j)));
    const __m256i gain = _mm256_add_epi32(_mm256_add_epi32(_mm256_add_epi32(w, w), partner), own);
    uint32_t hit = LaneBits(_mm256_cmpgt_epi32(gain, zero));
    if (left < kLanes) hit &= (1u << left) - 1u;
    if constexpr (!kOneClass) {
      const __m128i cls = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.cls + j));
      hit &= static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(cls, ck)));
    }
    if (hit != 0) return j + static_cast<int32_t>(__builtin_ctz(hit));
  }
  return 0;
}

template <bool kOneClass>
QM_AVX2 int32_t FindGainForClasses(const ScanRow& row, int32_t first) {
  if (row.slots <= 8) return FindGain<kPermute8, kOneClass>(row, first);
  if (row.slots <= 16) return FindGain<kPermute16, kOneClass>(row, first);
  if (row.slots <= 32) return FindGain<kPermute32, kOneClass>(row, first);
  if (row.slots <= 64) return FindGain<kPermute64, kOneClass>(row, first);
  return FindGain<kGather, kOneClass>(row, first);
}

QM_AVX2 int32_t Avx2FindGain(const ScanRow& row, int32_t first) {
  return row.one_class ? FindGainForClasses<true>(row, first)
                       : FindGainForClasses<false>(row, first);
}

QM_AVX2 inline __m256i Load(const int32_t* p) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

QM_AVX2 inline void Store(int32_t* p, __m256i v) {
  _mm256_store_si256(reinterpret_cast<__m256i*>(p), v);
}

// From the aligned block that holds `first`; the blocks that reach outside first..last store
// through a lane mask, so every column access is aligned and nothing outside the range is written.
template <bool kTrack>
QM_AVX2 int32_t ApplyExchange(const ExchangeRows& x) {
  const __m256i gj = _mm256_set1_epi32(x.gj);
  const __m256i gk = _mm256_set1_epi32(x.gk);
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i largest = _mm256_setzero_si256();
  for (int32_t r = x.first & ~(kLanes - 1); r <= x.last; r += kLanes) {
    const int32_t left = x.last - r + 1;
    PrefetchAhead(x.mk, r, x.last);
    PrefetchAhead(x.mj, r, x.last);
    const __m256i d = _mm256_sub_epi32(LoadWeights(x.mk + r, left), LoadWeights(x.mj + r, left));
    const __m256i to_gj = _mm256_add_epi32(Load(x.tt_gj + r), d);
    const __m256i to_gk = _mm256_sub_epi32(Load(x.tt_gk + r), d);
    const __m256i g = LoadGroups(x.grp + r);
    __m256i pc = Load(x.pc + r);
    pc = _mm256_blendv_epi8(pc, to_gj, _mm256_cmpeq_epi32(g, gj));
    pc = _mm256_blendv_epi8(pc, to_gk, _mm256_cmpeq_epi32(g, gk));
    if (r >= x.first && left >= kLanes) {
      Store(x.tt_gj + r, to_gj);
      Store(x.tt_gk + r, to_gk);
      Store(x.pc + r, pc);
      if (x.person_conflict != nullptr) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(x.person_conflict + r), pc);
      }
      if constexpr (kTrack) {
        largest = _mm256_max_epi32(largest, _mm256_abs_epi32(to_gj));
        largest = _mm256_max_epi32(largest, _mm256_abs_epi32(to_gk));
      }
      continue;
    }
    const __m256i at = _mm256_add_epi32(_mm256_set1_epi32(r), lane);
    const __m256i valid = _mm256_and_si256(_mm256_cmpgt_epi32(at, _mm256_set1_epi32(x.first - 1)),
                                           _mm256_cmpgt_epi32(_mm256_set1_epi32(x.last + 1), at));
    _mm256_maskstore_epi32(x.tt_gj + r, valid, to_gj);
    _mm256_maskstore_epi32(x.tt_gk + r, valid, to_gk);
    _mm256_maskstore_epi32(x.pc + r, valid, pc);
    if (x.person_conflict != nullptr) _mm256_maskstore_epi32(x.person_conflict + r, valid, pc);
    largest = _mm256_max_epi32(largest, _mm256_and_si256(valid, _mm256_abs_epi32(to_gj)));
    largest = _mm256_max_epi32(largest, _mm256_and_si256(valid, _mm256_abs_epi32(to_gk)));
  }
  if constexpr (!kTrack) return 0;
  alignas(32) int32_t lanes[kLanes];
  Store(lanes, largest);
  int32_t result = 0;
  for (const int32_t v : lanes) result = v > result ? v : result;
  return result;
}

QM_AVX2 int32_t Avx2ApplyExchange(const ExchangeRows& x) {
  return x.track_largest ? ApplyExchange<true>(x) : ApplyExchange<false>(x);
}

template <int kCount>
QM_AVX2 void AddRows(int32_t* dst, const int16_t* const* rows, int32_t length) {
  const int16_t* from[kCount];
#pragma GCC unroll 4
  for (int i = 0; i < kCount; ++i) from[i] = rows[i];
  int32_t r = 0;
  for (; r + kLanes <= length; r += kLanes) {
    __m256i sum = Load(dst + r);
#pragma GCC unroll 4
    for (int i = 0; i < kCount; ++i) {
      PrefetchAhead(from[i], r, length - 1);
      sum = _mm256_add_epi32(sum, LoadWeights(from[i] + r, kLanes));
    }
    Store(dst + r, sum);
  }
  if (r == length) return;
  __m256i sum = Load(dst + r);
#pragma GCC unroll 4
  for (int i = 0; i < kCount; ++i)
    sum = _mm256_add_epi32(sum, LoadWeights(from[i] + r, length - r));
  Store(dst + r, sum);
}

QM_AVX2 void Avx2AddRows(int32_t* dst, const int16_t* const* rows, int count, int32_t length) {
  switch (count) {
    case 4:
      return AddRows<4>(dst, rows, length);
    case 3:
      return AddRows<3>(dst, rows, length);
    case 2:
      return AddRows<2>(dst, rows, length);
    default:
      return AddRows<1>(dst, rows, length);
  }
}

QM_AVX2 int32_t Avx2Largest(const int32_t* column, size_t length) {
  __m256i largest = _mm256_setzero_si256();
  for (size_t r = 0; r < length; r += kLanes) {
    largest = _mm256_max_epi32(largest, _mm256_abs_epi32(Load(column + r)));
  }
  alignas(32) int32_t lanes[kLanes];
  Store(lanes, largest);
  int32_t result = 0;
  for (const int32_t v : lanes) result = std::max(result, v);
  return result;
}

constexpr FastKernels kAvx2{Avx2FindGain, Avx2ApplyExchange, Avx2AddRows, Avx2Largest};

}  // namespace

const FastKernels& Avx2Kernels() { return kAvx2; }

}  // namespace quorvale
