// A seeded run of a fixed instance, through the whole run sequence, must write exactly the
// "results.txt" kept beside the instance, byte for byte, at each kernel level: any change to the
// search's rules, its arithmetic or the file's format shows up here. A level this processor
// cannot run reports itself skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "app/driver.h"
#include "console/screen.h"
#include "engine/engine.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

constexpr const char* kInstance = QM_GOLDEN_DIR "/mixed-40/";

class GoldenTest : public ::testing::TestWithParam<KernelLevel> {};

TEST_P(GoldenTest, SeededRunWritesTheKeptResultsFile) {
  if (GetParam() > SupportedKernelLevel()) {
    GTEST_SKIP() << KernelLevelName(GetParam()) << " kernels do not run on this processor";
  }
  const std::string expected =
      test::ReadWholeFile(std::string(kInstance) + "results-seed-4242.txt");
  ASSERT_FALSE(expected.empty());
  test::TempFolder folder;
  for (const char* name : {"parameters.txt", "data.txt"}) {
    folder.WriteFile(name, test::ReadWholeFile(std::string(kInstance) + name));
  }
  Options options;
  options.folder = folder.path();
  options.seed = 4242;
  options.no_pause = true;
  Screen screen;
  test::FakeClock clock(0, 1);
  test::InstantPauser pauser;
  std::atomic<int> stop{0};
  ProgramEnvironment env{screen, clock, pauser, "", [] { return std::nullopt; }, [] { return 1u; },
                         &stop};
  env.kernel_level = GetParam();
  EXPECT_EQ(RunProgram(options, env), kExitOk);
  EXPECT_EQ(test::ReadWholeFile(folder.PathOf("results.txt")), expected);
}

INSTANTIATE_TEST_SUITE_P(Levels, GoldenTest,
                         ::testing::Values(KernelLevel::kPlain, KernelLevel::kPortable,
                                           KernelLevel::kAvx2, KernelLevel::kAvx512),
                         [](const auto& c) {
                           std::string name = KernelLevelName(c.param);
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

}  // namespace
}  // namespace quorvale
