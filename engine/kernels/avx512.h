// What the AVX-512 kernel files share: the target attribute that compiles a function for
// AVX-512 while the rest of the program keeps running on any x86-64 (such functions are only
// called after the processor has been found to support them), the lane count and the mask of
// a block's valid lanes. Include it first in those files only.
// GCC 12's AVX-512 headers start some intrinsics from a deliberately undefined vector, which its
// own uninitialised-use warnings then report; nothing in the kernels reads an undefined lane.
#pragma once
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <immintrin.h>

#include <cstdint>

#define QM_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))

namespace quorvale::avx512 {

inline constexpr int32_t kLanes = 16;

// The lanes of a block with `left` entries still to go: all sixteen, or the first `left`.
QM_AVX512 inline __mmask16 ValidLanes(int32_t left) {
  return left >= kLanes ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << left) - 1u);
}

}  // namespace quorvale::avx512
