// A seeded run of a fixed instance, through the whole run sequence, must write exactly the
// "results.txt" kept beside the instance, byte for byte, at each kernel level and for each
// strategy (the deep search on one thread): any change to the search's rules, its arithmetic or
// the file's format shows up here. A level this processor cannot run reports itself skipped.
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

struct GoldenRun {
  KernelLevel level;
  SearchStrategy strategy;
  const char* results;  // the kept file
};

class GoldenTest : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(GoldenTest, SeededRunWritesTheKeptResultsFile) {
  if (GetParam().level > SupportedKernelLevel()) {
    GTEST_SKIP() << KernelLevelName(GetParam().level) << " kernels do not run on this processor";
  }
  const std::string expected = test::ReadWholeFile(std::string(kInstance) + GetParam().results);
  ASSERT_FALSE(expected.empty());
  test::TempFolder folder;
  for (const char* name : {"parameters.txt", "data.txt"}) {
    folder.WriteFile(name, test::ReadWholeFile(std::string(kInstance) + name));
  }
  Options options;
  options.folder = folder.path();
  options.seed = 4242;
  options.no_pause = true;
  options.search = GetParam().strategy;
  options.threads = 1;
  Screen screen;
  test::FakeClock clock(0, 1);
  test::InstantPauser pauser;
  std::atomic<int> stop{0};
  ProgramEnvironment env{screen, clock, pauser, "", [] { return std::nullopt; }, [] { return 1u; },
                         &stop};
  env.kernel_level = GetParam().level;
  EXPECT_EQ(RunProgram(options, env), kExitOk);
  EXPECT_EQ(test::ReadWholeFile(folder.PathOf("results.txt")), expected);
}

constexpr const char* kClassic = "results-seed-4242.txt";
constexpr const char* kDeep = "results-deep-seed-4242.txt";
INSTANTIATE_TEST_SUITE_P(
    Levels, GoldenTest,
    ::testing::Values(GoldenRun{KernelLevel::kPlain, SearchStrategy::kClassic, kClassic},
                      GoldenRun{KernelLevel::kPortable, SearchStrategy::kClassic, kClassic},
                      GoldenRun{KernelLevel::kAvx2, SearchStrategy::kClassic, kClassic},
                      GoldenRun{KernelLevel::kAvx512, SearchStrategy::kClassic, kClassic},
                      GoldenRun{KernelLevel::kPlain, SearchStrategy::kDeep, kDeep},
                      GoldenRun{KernelLevel::kAvx512, SearchStrategy::kDeep, kDeep}),
    [](const auto& c) {
      std::string name = KernelLevelName(c.param.level);
      name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
      return name + (c.param.strategy == SearchStrategy::kDeep ? "Deep" : "");
    });

}  // namespace
}  // namespace quorvale
