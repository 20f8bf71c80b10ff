// The AVX-512 kernels: sixteen partners or persons per step. Compiled for AVX-512 function by
// function, so the rest of the program keeps running on any x86-64; they are only called after
// the processor has been found to support them.
#include "engine/kernels/avx512.h"

#include <algorithm>

#include "engine/kernels/fast_kernels.h"

namespace quorvale {

using avx512::kLanes;
using avx512::ValidLanes;

namespace {

// Matrix entries read ahead of use: the hardware's own prefetch alone leaves the scans of a
// matrix beyond the caches well short of the memory's streaming speed.
constexpr int kAhead = 1024;

// Prefetches entry `at` + kAhead of `row`, or its entry `last` when that is nearer: an address
// past the end of the row must not even be formed.
QM_AVX512 inline void PrefetchAhead(const int16_t* row, int32_t at, int32_t last) {
  _mm_prefetch(reinterpret_cast<const char*>(row + std::min(at + kAhead, last)), _MM_HINT_T0);
}

// Lookups of a group's value in k's table, by table size: one permute for up to 16 groups, two
// tables for 32, two pairs and a blend for 64, four pairs and three blends for 128 (far cheaper
// than a gather), a gather beyond.
enum Lookup { kPermute16, kPermute32, kPermute64, kPermute128, kGather };

QM_AVX512 inline __m512i LoadWeights(const int16_t* row, __mmask16 valid) {
  const __m256i w = valid == 0xFFFF ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row))
                                    : _mm256_maskz_loadu_epi16(valid, row);
  return _mm512_cvtepi16_epi32(w);
}

QM_AVX512 inline __m512i LoadGroups(const int16_t* grp) {
  return _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(grp)));
}

// Sixteen entries of k's lookup table, for groups 16 * block and on, gathered from k's column.
QM_AVX512 inline __m512i GatherLookup(const ScanRow& row, int block) {
  const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i group = _mm512_add_epi32(lane, _mm512_set1_epi32(16 * block));
  const __mmask16 present = _mm512_cmplt_epi32_mask(group, _mm512_set1_epi32(row.slots));
  const __mmask16 other = _mm512_mask_cmpneq_epi32_mask(present, group, _mm512_set1_epi32(row.gk));
  const __m512i offset = _mm512_mullo_epi32(group, _mm512_set1_epi32(row.stride));
  const __m512i sums =
      _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), present, offset, row.tt_k, 4);
  return _mm512_mask_sub_epi32(_mm512_set1_epi32(kNoSwap), other, _mm512_set1_epi32(row.pck), sums);
}

template <Lookup kLookup, bool kOneClass>
QM_AVX512 int32_t FindGain(const ScanRow& row, int32_t first) {
  const int32_t* table = row.lookup;
  __m512i t0 = _mm512_setzero_si512();
  __m512i t1 = t0;
  __m512i t2 = t0;
  __m512i t3 = t0;
  __m512i t4 = t0;
  __m512i t5 = t0;
  __m512i t6 = t0;
  __m512i t7 = t0;
  if constexpr (kLookup == kGather) FillLookup(row);
  if constexpr (kLookup != kGather) t0 = GatherLookup(row, 0);
  if constexpr (kLookup != kGather && kLookup != kPermute16) t1 = GatherLookup(row, 1);
  if constexpr (kLookup == kPermute64 || kLookup == kPermute128) {
    t2 = GatherLookup(row, 2);
    t3 = GatherLookup(row, 3);
  }
  if constexpr (kLookup == kPermute128) {
    t4 = GatherLookup(row, 4);
    t5 = GatherLookup(row, 5);
    t6 = GatherLookup(row, 6);
    t7 = GatherLookup(row, 7);
  }
  const __m512i zero = _mm512_setzero_si512();
  const __m512i high_half = _mm512_set1_epi32(32);
  const __m512i high_quarter = _mm512_set1_epi32(64);
  const __m128i ck = _mm_set1_epi8(row.ck);
  // The partners of j.. j + 15 with a positive gain, among the `valid` lanes.
  const auto hits = [&](int32_t j, __mmask16 valid) QM_AVX512 {
    PrefetchAhead(row.m_row, j, row.n);
    const __m512i w = LoadWeights(row.m_row + j, valid);
    const __m512i idx = LoadGroups(row.grp + j);
    __m512i own;
    if constexpr (kLookup == kPermute16) {
      own = _mm512_permutexvar_epi32(idx, t0);
    } else if constexpr (kLookup == kPermute32) {
      own = _mm512_permutex2var_epi32(t0, idx, t1);
    } else if constexpr (kLookup == kPermute64) {
      const __m512i low = _mm512_permutex2var_epi32(t0, idx, t1);
      const __m512i high = _mm512_permutex2var_epi32(t2, idx, t3);
      own = _mm512_mask_blend_epi32(_mm512_test_epi32_mask(idx, high_half), low, high);
    } else if constexpr (kLookup == kPermute128) {
      const __mmask16 odd = _mm512_test_epi32_mask(idx, high_half);
      const __m512i low = _mm512_mask_blend_epi32(odd, _mm512_permutex2var_epi32(t0, idx, t1),
                                                  _mm512_permutex2var_epi32(t2, idx, t3));
      const __m512i high = _mm512_mask_blend_epi32(odd, _mm512_permutex2var_epi32(t4, idx, t5),
                                                   _mm512_permutex2var_epi32(t6, idx, t7));
      own = _mm512_mask_blend_epi32(_mm512_test_epi32_mask(idx, high_quarter), low, high);
    } else {
      own = _mm512_i32gather_epi32(idx, table, 4);
    }
    const __m512i partner =
        _mm512_sub_epi32(_mm512_loadu_si512(row.pc + j), _mm512_loadu_si512(row.tt_gk + j));
    const __m512i gain = _mm512_add_epi32(_mm512_add_epi32(_mm512_add_epi32(w, w), partner), own);
    __mmask16 hit = _mm512_mask_cmpgt_epi32_mask(valid, gain, zero);
    if constexpr (!kOneClass) {
      hit &=
          _mm_cmpeq_epi8_mask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.cls + j)), ck);
    }
    return hit;
  };
  int32_t j = first;
  // Two vectors a step while both are whole, then one at a time with the last one masked.
  for (; j + 2 * kLanes <= row.n + 1; j += 2 * kLanes) {
    const uint32_t hit = hits(j, 0xFFFF) | (uint32_t{hits(j + kLanes, 0xFFFF)} << kLanes);
    if (hit != 0) return j + static_cast<int32_t>(__builtin_ctz(hit));
  }
  for (; j <= row.n; j += kLanes) {
    const __mmask16 hit = hits(j, ValidLanes(row.n - j + 1));
    if (hit != 0) return j + static_cast<int32_t>(__builtin_ctz(hit));
  }
  return 0;
}

template <bool kOneClass>
QM_AVX512 int32_t FindGainForClasses(const ScanRow& row, int32_t first) {
  if (row.slots <= 16) return FindGain<kPermute16, kOneClass>(row, first);
  if (row.slots <= 32) return FindGain<kPermute32, kOneClass>(row, first);
  if (row.slots <= 64) return FindGain<kPermute64, kOneClass>(row, first);
  if (row.slots <= 128) return FindGain<kPermute128, kOneClass>(row, first);
  return FindGain<kGather, kOneClass>(row, first);
}

QM_AVX512 int32_t Avx512FindGain(const ScanRow& row, int32_t first) {
  return row.one_class ? FindGainForClasses<true>(row, first)
                       : FindGainForClasses<false>(row, first);
}

// From the aligned block that holds `first`, with the lanes outside first..last masked in the
// first and last blocks, so that every column access is aligned and nothing outside the range is
// written.
template <bool kTrack>
QM_AVX512 int32_t ApplyExchange(const ExchangeRows& x) {
  const __m512i gj = _mm512_set1_epi32(x.gj);
  const __m512i gk = _mm512_set1_epi32(x.gk);
  __m512i largest = _mm512_setzero_si512();
  const auto step = [&](int32_t r, __mmask16 valid) QM_AVX512 {
    PrefetchAhead(x.mk, r, x.last);
    PrefetchAhead(x.mj, r, x.last);
    const __m512i d = _mm512_sub_epi32(LoadWeights(x.mk + r, valid), LoadWeights(x.mj + r, valid));
    const __m512i to_gj = _mm512_add_epi32(_mm512_load_si512(x.tt_gj + r), d);
    const __m512i to_gk = _mm512_sub_epi32(_mm512_load_si512(x.tt_gk + r), d);
    _mm512_mask_store_epi32(x.tt_gj + r, valid, to_gj);
    _mm512_mask_store_epi32(x.tt_gk + r, valid, to_gk);
    const __m512i g = LoadGroups(x.grp + r);
    __m512i pc = _mm512_load_si512(x.pc + r);
    pc = _mm512_mask_mov_epi32(pc, _mm512_cmpeq_epi32_mask(g, gj), to_gj);
    pc = _mm512_mask_mov_epi32(pc, _mm512_cmpeq_epi32_mask(g, gk), to_gk);
    _mm512_mask_store_epi32(x.pc + r, valid, pc);
    if (x.person_conflict != nullptr) _mm512_mask_storeu_epi32(x.person_conflict + r, valid, pc);
    if constexpr (kTrack) {
      largest = _mm512_mask_max_epi32(largest, valid, largest, _mm512_abs_epi32(to_gj));
      largest = _mm512_mask_max_epi32(largest, valid, largest, _mm512_abs_epi32(to_gk));
    }
  };
  int32_t r = x.first & ~(kLanes - 1);
  if (r < x.first && r <= x.last) {
    step(r, ValidLanes(x.last - r + 1) & static_cast<__mmask16>(~ValidLanes(x.first - r)));
    r += kLanes;
  }
  for (; r + kLanes - 1 <= x.last; r += kLanes) step(r, 0xFFFF);
  if (r <= x.last) step(r, ValidLanes(x.last - r + 1));
  return kTrack ? _mm512_reduce_max_epi32(largest) : 0;
}

QM_AVX512 int32_t Avx512ApplyExchange(const ExchangeRows& x) {
  return x.track_largest ? ApplyExchange<true>(x) : ApplyExchange<false>(x);
}

template <int kCount>
QM_AVX512 void AddRows(int32_t* dst, const int16_t* const* rows, int32_t length) {
  const int16_t* from[kCount];
#pragma GCC unroll 4
  for (int i = 0; i < kCount; ++i) from[i] = rows[i];
  int32_t r = 0;
  for (; r + kLanes <= length; r += kLanes) {
    __m512i sum = _mm512_load_si512(dst + r);
#pragma GCC unroll 4
    for (int i = 0; i < kCount; ++i) {
      PrefetchAhead(from[i], r, length - 1);
      sum = _mm512_add_epi32(sum, LoadWeights(from[i] + r, 0xFFFF));
    }
    _mm512_store_si512(dst + r, sum);
  }
  if (r == length) return;
  const __mmask16 valid = ValidLanes(length - r);
  __m512i sum = _mm512_load_si512(dst + r);
#pragma GCC unroll 4
  for (int i = 0; i < kCount; ++i) sum = _mm512_add_epi32(sum, LoadWeights(from[i] + r, valid));
  _mm512_store_si512(dst + r, sum);
}

QM_AVX512 void Avx512AddRows(int32_t* dst, const int16_t* const* rows, int count, int32_t length) {
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

QM_AVX512 int32_t Avx512Largest(const int32_t* column, size_t length) {
  __m512i largest = _mm512_setzero_si512();
  for (size_t r = 0; r < length; r += kLanes) {
    largest = _mm512_max_epi32(largest, _mm512_abs_epi32(_mm512_load_si512(column + r)));
  }
  return _mm512_reduce_max_epi32(largest);
}

constexpr FastKernels kAvx512{Avx512FindGain, Avx512ApplyExchange, Avx512AddRows, Avx512Largest};

}  // namespace

const FastKernels& Avx512Kernels() { return kAvx512; }

}  // namespace quorvale
