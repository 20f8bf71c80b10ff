// The deep search's scan for AVX-512, sixteen partners per step. Compiled for AVX-512 function
// by function, so the rest of the program keeps running on any x86-64; it is only called after
// the processor has been found to support it.
#include "engine/kernels/avx512.h"

#include "engine/kernels/deep_kernels.h"

namespace quorvale {

using avx512::kLanes;
using avx512::ValidLanes;

namespace {

// The first partner from..to with a positive gain, or 0. Up to 32 groups the lookup of kv by the
// partner's slot is one two-table permute, far cheaper than a gather.
template <bool kPermute>
QM_AVX512 int32_t FirstGain(const DeepScanRow& scan, int32_t from, int32_t to, int32_t entries) {
  __m512i t0 = _mm512_setzero_si512();
  __m512i t1 = _mm512_setzero_si512();
  if constexpr (kPermute) {
    t0 = _mm512_maskz_loadu_epi32(ValidLanes(entries), scan.kv);
    if (entries > kLanes)
      t1 = _mm512_maskz_loadu_epi32(ValidLanes(entries - kLanes), scan.kv + kLanes);
  }
  const __m512i zero = _mm512_setzero_si512();
  for (int32_t j = from; j <= to; j += kLanes) {
    const __mmask16 valid = ValidLanes(to - j + 1);
    const __m512i w = _mm512_cvtepi16_epi32(_mm256_maskz_loadu_epi16(valid, scan.row + j));
    const __m512i pc = _mm512_maskz_loadu_epi32(valid, scan.pc + j);
    const __m512i tgk = _mm512_maskz_loadu_epi32(valid, scan.tgk + j);
    const __m512i slot = _mm512_maskz_loadu_epi32(valid, scan.slot + j);
    __m512i lookup;
    if constexpr (kPermute) {
      lookup = _mm512_permutex2var_epi32(t0, slot, t1);
    } else {
      lookup = _mm512_mask_i32gather_epi32(zero, valid, slot, scan.kv, 4);
    }
    const __m512i gain = _mm512_add_epi32(
        _mm512_sub_epi32(_mm512_add_epi32(_mm512_add_epi32(w, w), pc), tgk), lookup);
    const __mmask16 positive = _mm512_mask_cmpgt_epi32_mask(valid, gain, zero);
    if (positive != 0) return j + __builtin_ctz(positive);
  }
  return 0;
}

}  // namespace

QM_AVX512 int32_t DeepFirstGainAvx512(const DeepScanRow& scan, int32_t from, int32_t to,
                                      int32_t entries) {
  return entries <= 2 * kLanes ? FirstGain<true>(scan, from, to, entries)
                               : FirstGain<false>(scan, from, to, entries);
}

}  // namespace quorvale
