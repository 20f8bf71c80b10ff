// Input files that are not plain readable files: a folder in the place of the file, a file its
// user may not read, and a loop of symbolic links. Each gives a clear message on the screen and
// exit code 1, without a crash and without a "results.txt".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ostream>
#include <string>

#include "input/file_reader.h"
#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

using std::chrono::seconds;

constexpr int kMessageRow = 8;

enum class Fault { kFolder, kUnreadable, kLinkLoop };

struct InputCase {
  const char* name;
  const char* file;
  Fault fault;
};

// The message from row 8 on, with its wrapped rows joined again.
std::string Message(const FinishedRun& run) {
  std::string message;
  for (int row = kMessageRow; !run.Row(row).empty(); ++row) {
    message += (message.empty() ? "" : " ") + run.Row(row).substr(1);
  }
  return message;
}

// Names the case in test listings, instead of its bytes.
void PrintTo(const InputCase& test_case, std::ostream* out) { *out << test_case.name; }

class FaultInputTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(FaultInputTest, IsReportedClearlyWithExitCodeOne) {
  Watchdog watchdog(seconds(60), "the input-fault test");
  const InputCase& input = GetParam();
  TempFolder folder;
  TempFolder output;
  WriteInstanceFiles(folder.path(), MakeInstance(QuickSearch()));
  const std::string path = folder.PathOf(input.file);
  ChildOptions options = ProgramInFolder(folder.path(), output.PathOf("screen"));
  std::string expected;
  switch (input.fault) {
    case Fault::kFolder:
      ASSERT_EQ(::unlink(path.c_str()), 0);
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
      expected = "Sorry. Cannot read " + path + ": it is a folder, not a file.";
      break;
    case Fault::kUnreadable:
      if (::geteuid() == 0) {
        options.run_as = UnprivilegedUser();
        if (!options.run_as) GTEST_SKIP() << "running as root without a user 'nobody'";
        // The user needs to reach the folder, only not to read the file.
        ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
      }
      ASSERT_EQ(::chmod(path.c_str(), 0), 0);
      expected = "Sorry. Cannot open " + path + ": no permission to read it.";
      break;
    case Fault::kLinkLoop:
      ASSERT_EQ(::unlink(path.c_str()), 0);
      ASSERT_EQ(::symlink("loop", path.c_str()), 0);
      ASSERT_EQ(::symlink(input.file, folder.PathOf("loop").c_str()), 0);
      expected = "Sorry. Cannot open " + path + ": its path runs into a loop of symbolic links.";
      break;
  }

  const FinishedRun run = RunToEnd(options, seconds(30));
  if (run.exit == ExitedWith(125) || run.exit == ExitedWith(127)) {
    GTEST_SKIP() << "the program cannot be started as user 'nobody' from " << ProgramPath();
  }
  EXPECT_EQ(run.exit, ExitedWith(1)) << run.exit.Describe();
  EXPECT_EQ(Message(run), expected);
  EXPECT_TRUE(ReadFileText(folder.PathOf("results.txt")).missing);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FaultInputTest,
    ::testing::Values(InputCase{"ParametersIsAFolder", "parameters.txt", Fault::kFolder},
                      InputCase{"ParametersUnreadable", "parameters.txt", Fault::kUnreadable},
                      InputCase{"ParametersLinkLoop", "parameters.txt", Fault::kLinkLoop},
                      InputCase{"DataIsAFolder", "data.txt", Fault::kFolder},
                      InputCase{"DataUnreadable", "data.txt", Fault::kUnreadable},
                      InputCase{"DataLinkLoop", "data.txt", Fault::kLinkLoop}),
    [](const ::testing::TestParamInfo<InputCase>& param_info) {
      return std::string(param_info.param.name);
    });

}  // namespace
}  // namespace quorvale::test
