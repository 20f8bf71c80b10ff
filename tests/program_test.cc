// The real program as a user starts it: output to a pipe and the command line.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/problem_text.h"
#include "tests/support/results_checker.h"
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
  for (const char* bad :
       {"--seed", "--seed -1", "--seed 4294967296", "--seed 12x", "--folder=", "--search fast",
        "--search", "--threads 0", "--threads 257", "--threads two"}) {
    EXPECT_EQ(RunProgram(scratch, bad, out, err), 2) << bad;
  }
  EXPECT_EQ(RunProgram(scratch, "--help", out, err), 0);
  EXPECT_EQ(out.rfind("Usage: quorvalemixer", 0), 0u);
  EXPECT_EQ(RunProgram(scratch, "--version", out, err), 0);
  EXPECT_EQ(out.rfind("quorvalemixer 1.0.0\nsearch kernels: ", 0), 0u) << out;
}

// The deep search as a user chooses it: a valid results file for the same input, and with one
// thread the same file for the same seed.
TEST(ProgramTest, DeepSearchWritesValidRepeatableResults) {
  // 40 persons of two types in 4 groups, with positive and negative weights.
  test::TempFolder work;
  work.WriteFile("parameters.txt", "40 5 1 4 3 2 3 2");
  std::ostringstream data;
  data << "0 0 100 50 -60\n";
  for (int i = 1; i <= 40; ++i) {
    data << i << ' ' << 1 + i % 2 << ' ' << 1 + i % 9 << ' ' << 1 + (i * 7) % 5 << ' '
         << (i % 4 == 0 ? 2 : 1) << '\n';
  }
  work.WriteFile("data.txt", data.str());
  std::string out, err, first;
  const std::string run = "--folder '" + work.path() + "' --seed 3 --no-pause --search deep";
  for (const char* threads : {" --threads 1", " --threads 1", " --threads 2"}) {
    ASSERT_EQ(RunProgram(work, run + threads, out, err), 0) << err;
    const std::string results = test::ReadWholeFile(work.PathOf("results.txt"));
    EXPECT_EQ(test::CheckResultsFolder(work.path()), "") << threads;
    if (first.empty()) {
      first = results;
    } else if (std::string(threads) == " --threads 1") {
      EXPECT_EQ(results, first);
    }
  }
}

}  // namespace
}  // namespace quorvale
