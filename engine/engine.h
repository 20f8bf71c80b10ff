// The engine a run computes with: which version of the evaluation and the swap descent runs.
// The driver chooses it once and hands it to every step; nothing else decides which code runs.
// It holds no state of a computation: every evaluation and descent has its own working arrays.
//
// Every level gives exactly the same tables, exchanges and scores. kPlain is the straightforward
// engine (engine/plain_engine.h); the other levels use the transposed layout with the portable,
// AVX2 or AVX-512 kernels on the Problem's group table, and fall back to the plain engine where
// those kernels do not apply (more than 32766 groups, or more than 100 distinct person types).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/kernels/fast_kernels.h"

namespace quorvale {

enum class KernelLevel { kPlain = 0, kPortable = 1, kAvx2 = 2, kAvx512 = 3 };

// "plain", "portable", "AVX2" or "AVX-512".
const char* KernelLevelName(KernelLevel level);

// The highest level this processor and system support.
KernelLevel SupportedKernelLevel();

// Bounds of the fast kernels; the default is the program's.
struct EngineLimits {
  // The group-sum magnitude from which the descent sums its gains in 64 bits instead of the
  // vector kernels' 32.
  int32_t narrow_sum_limit = kFastTableLimit;
};

class Engine {
 public:
  // A level above SupportedKernelLevel() is lowered to it. REQUIRES: narrow_sum_limit in
  // 1..kFastTableLimit.
  explicit Engine(KernelLevel level, EngineLimits limits = {});
  KernelLevel level() const { return level_; }
  const EngineLimits& limits() const { return limits_; }
  // The fast kernels of the level; null for kPlain.
  const FastKernels* kernels() const { return kernels_; }

 private:
  KernelLevel level_;
  EngineLimits limits_;
  const FastKernels* kernels_;
};

}  // namespace quorvale
