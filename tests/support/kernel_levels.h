// The fast engine's kernel levels as test parameters, named for the test list.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "engine/engine.h"

namespace quorvale::test {

inline auto FastKernelLevels() {
  return ::testing::Values(KernelLevel::kPortable, KernelLevel::kAvx2, KernelLevel::kAvx512);
}

inline std::string KernelLevelTestName(const ::testing::TestParamInfo<KernelLevel>& info) {
  return info.param == KernelLevel::kPortable ? "Portable"
         : info.param == KernelLevel::kAvx2   ? "Avx2"
                                              : "Avx512";
}

}  // namespace quorvale::test
