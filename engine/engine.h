// The engine a run computes with: which version of the evaluation and the swap descent runs,
// and the working layout of the fast versions. The driver chooses it once and hands it to every
// step; nothing else decides which code runs.
//
// Every level gives exactly the same tables, exchanges and scores. kPlain is the straightforward
// engine of reference/; the other levels use the transposed layout with the portable, AVX2 or
// AVX-512 kernels, and fall back to the plain engine where that layout does not apply.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/fast_kernels.h"
#include "engine/fast_tables.h"

namespace quorvale {

enum class KernelLevel { kPlain = 0, kPortable = 1, kAvx2 = 2, kAvx512 = 3 };

// "plain", "portable", "AVX2" or "AVX-512".
const char* KernelLevelName(KernelLevel level);

// The highest level this processor and system support.
KernelLevel SupportedKernelLevel();

// Bounds of the fast layout; the defaults are the program's.
struct EngineLimits {
  // The most bytes the transposed group table may take before the plain engine is used; 0 means
  // the program's rule: 64 MiB, or half the conflict matrix when that is more.
  size_t fast_table_budget = 0;
  // The group-sum magnitude from which the descent sums its gains in 64 bits instead of the
  // vector kernels' 32.
  int32_t narrow_sum_limit = kFastTableLimit;
};

class Engine {
 public:
  // A level above SupportedKernelLevel() is lowered to it. REQUIRES: narrow_sum_limit in
  // 1..kFastTableLimit.
  explicit Engine(KernelLevel level, EngineLimits limits = {});
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  KernelLevel level() const { return level_; }
  const EngineLimits& limits() const { return limits_; }
  // The fast kernels of the level; null for kPlain.
  const FastKernels* kernels() const { return kernels_; }
  // The working layout, sized anew by each operation.
  FastTables& tables() { return tables_; }

 private:
  KernelLevel level_;
  EngineLimits limits_;
  const FastKernels* kernels_;
  FastTables tables_;
};

}  // namespace quorvale
