// The choice of the kernels.
#include "engine/engine.h"

#include <algorithm>

namespace quorvale {

namespace {

KernelLevel DetectLevel() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512vl")) {
    return KernelLevel::kAvx512;
  }
  if (__builtin_cpu_supports("avx2")) return KernelLevel::kAvx2;
  return KernelLevel::kPortable;
}

const FastKernels* KernelsOf(KernelLevel level) {
  switch (level) {
    case KernelLevel::kAvx512:
      return &Avx512Kernels();
    case KernelLevel::kAvx2:
      return &Avx2Kernels();
    case KernelLevel::kPortable:
      return &PortableKernels();
    case KernelLevel::kPlain:
      break;
  }
  return nullptr;
}

}  // namespace

const char* KernelLevelName(KernelLevel level) {
  switch (level) {
    case KernelLevel::kAvx512:
      return "AVX-512";
    case KernelLevel::kAvx2:
      return "AVX2";
    case KernelLevel::kPortable:
      return "portable";
    case KernelLevel::kPlain:
      break;
  }
  return "plain";
}

KernelLevel SupportedKernelLevel() {
  // What the processor offers does not change while the program runs.
  static const KernelLevel supported = DetectLevel();
  return supported;
}

Engine::Engine(KernelLevel level, EngineLimits limits)
    : level_(std::min(level, SupportedKernelLevel())),
      limits_(limits),
      kernels_(KernelsOf(level_)) {}

}  // namespace quorvale
