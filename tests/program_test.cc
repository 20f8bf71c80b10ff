// The real program as a user starts it: output to a pipe and the command line.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/problem_text.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

// Runs the program with `arguments` (quoted for the shell); returns its exit code and fills
// `out` and `err`.
int RunProgram(const test::TempFolder& scratch, const std::string& arguments, std::string& out,
               std::string& err) {
  const std::string command = std::string("'") + QM_PROGRAM_PATH + "' " + arguments +
                              " </dev/null >'" + scratch.PathOf("out") + "' 2>'" +
                              scratch.PathOf("err") + "'";
  const int status = std::system(command.c_str());
  out = test::ReadWholeFile(scratch.PathOf("out"));
  err = test::ReadWholeFile(scratch.PathOf("err"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProgramTest, PipedOutputIsTheScreenAsPlainLines) {
  test::TempFolder work;
  work.WriteFile("parameters.txt", test::kExampleParameters);
  work.WriteFile("data.txt", test::kExampleData);
  std::string out, err;
  EXPECT_EQ(RunProgram(work, "--folder '" + work.path() + "' --seed 7 --no-pause", out, err), 0);
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 25);
  EXPECT_EQ(out.find(" \n"), std::string::npos);  // no trailing spaces
  EXPECT_NE(out.find("\n <Target Score>: 0.50"), std::string::npos);
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("results.txt")).substr(0, 12), "50 \t2 \t23 \t\n");
}

TEST(ProgramTest, CommandLine) {
  test::TempFolder scratch;
  std::string out, err;
  EXPECT_EQ(RunProgram(scratch, "--frobnicate", out, err), 2);
  EXPECT_EQ(err.rfind("quorvalemixer: unknown option '--frobnicate'\n\nUsage:", 0), 0u) << err;
  EXPECT_EQ(RunProgram(scratch, "stray", out, err), 2);
  EXPECT_EQ(err.rfind("quorvalemixer: unexpected argument 'stray'", 0), 0u) << err;
  for (const char* bad : {"--seed", "--seed -1", "--seed 4294967296", "--seed 12x", "--folder="}) {
    EXPECT_EQ(RunProgram(scratch, bad, out, err), 2) << bad;
  }
  EXPECT_EQ(RunProgram(scratch, "--help", out, err), 0);
  EXPECT_EQ(out.rfind("Usage: quorvalemixer", 0), 0u);
  EXPECT_EQ(RunProgram(scratch, "--version", out, err), 0);
  EXPECT_EQ(out.rfind("quorvalemixer 1.0.0\nsearch kernels: ", 0), 0u) << out;
}

}  // namespace
}  // namespace quorvale
