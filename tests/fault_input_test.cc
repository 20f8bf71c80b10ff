// Input files that are not plain readable files: a folder in the place of the file, a file its
// user may not read, a loop of symbolic links. Each gives a clear message from row 8 on and exit
// code 1, without a crash and without a "results.txt".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "input/file_reader.h"
#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

class FaultInputTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FaultInputTest, IsReportedClearlyWithExitCodeOne) {
  const std::string& name = GetParam();
  TempFolder folder, output;
  WriteInstance(folder.path(), 40, 1, true);
  const std::string file = name.starts_with("Data") ? "data.txt" : "parameters.txt";
  const std::string path = folder.PathOf(file);
  std::string expected = "Sorry. Cannot open " + path;
  if (name.ends_with("IsAFolder")) {
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    expected = "Sorry. Cannot read " + path + ": it is a folder, not a file.";
  } else if (name.ends_with("Unreadable")) {
    // Root may read anything, so it runs the program as nobody, who may enter the folder.
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    expected += ": no permission to read it.";
  } else {
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::symlink("loop", path.c_str()), 0);
    ASSERT_EQ(::symlink(file.c_str(), folder.PathOf("loop").c_str()), 0);
    expected += ": its path runs into a loop of symbolic links.";
  }
  const bool as_nobody = name.ends_with("Unreadable") && ::geteuid() == 0;
  const int status = RunToEnd(folder.path(), {output.PathOf("screen"), as_nobody});
  if (status == 126 || status == 127) GTEST_SKIP() << "user nobody cannot run " QM_PROGRAM_PATH;
  EXPECT_EQ(status, 1);
  const std::vector<std::string> rows = Lines(ReadWholeFile(output.PathOf("screen")));
  std::string message;  // from row 8 on, with its wrapped rows joined again
  for (size_t row = 8; row < rows.size() && !rows[row].empty(); ++row) {
    message += (message.empty() ? "" : " ") + rows[row].substr(1);
  }
  EXPECT_EQ(message, expected);
  EXPECT_TRUE(ReadFileText(folder.PathOf("results.txt")).missing);
}

INSTANTIATE_TEST_SUITE_P(Files, FaultInputTest,
                         ::testing::Values("ParametersIsAFolder", "ParametersUnreadable",
                                           "ParametersLinkLoop", "DataIsAFolder", "DataUnreadable",
                                           "DataLinkLoop"),
                         [](const auto& c) { return c.param; });

}  // namespace
}  // namespace quorvale::test
