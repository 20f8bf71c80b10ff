// A seeded run of a fixed instance, through the whole run sequence, must write exactly the
// "results.txt" kept beside the instance, byte for byte, at every kernel level this processor
// runs: any change to the search's rules, its arithmetic or the file's format shows up here.
#include <gtest/gtest.h>

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

TEST(GoldenTest, SeededRunWritesTheKeptResultsFile) {
  const std::string expected =
      test::ReadWholeFile(std::string(kInstance) + "results-seed-4242.txt");
  ASSERT_FALSE(expected.empty());
  for (const KernelLevel level :
       {KernelLevel::kPlain, KernelLevel::kPortable, KernelLevel::kAvx2, KernelLevel::kAvx512}) {
    if (level > SupportedKernelLevel()) continue;  // the other levels still compare
    SCOPED_TRACE(KernelLevelName(level));
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
    ProgramEnvironment env{
        screen, clock, pauser, "", [] { return std::nullopt; }, [] { return 1u; }, &stop};
    env.kernel_level = level;
    EXPECT_EQ(RunProgram(options, env), kExitOk);
    EXPECT_EQ(test::ReadWholeFile(folder.PathOf("results.txt")), expected);
  }
}

}  // namespace
}  // namespace quorvale
