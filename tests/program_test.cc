// The real program as a user starts it: output to a pipe and the command line.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
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
  // The 25 rows of the screen, then the summary.
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 30);
  EXPECT_NE(out.find("\nBest score 0.50, Target Score 0.50"), std::string::npos);
  EXPECT_EQ(out.find(" \n"), std::string::npos);  // no trailing spaces
  EXPECT_NE(out.find("\n <Target Score>: 0.50"), std::string::npos);
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("results.txt")).substr(0, 12), "50 \t2 \t23 \t\n");
}

// The misshapen files: one value too many and a blank cell are refused at their line on
// the screen and on standard error, with no results; extra rows and persons of another type run,
// and standard error says what was not used.
TEST(ProgramTest, MisshapenDataIsRefusedAtItsLineAndUnusedInputIsTold) {
  const std::string kRows[] = {"0 0 100 50", "1 1 1 2", "2 1 1 1", "3 2 2 1",
                               "4 2 2 2",    "5 1 3 0", "6 2 3 2"};
  const auto data_with = [&](size_t row, const std::string& text, const std::string& tail) {
    std::string data;
    for (size_t r = 0; r < std::size(kRows); ++r) data += (r == row ? text : kRows[r]) + "\n";
    return data + tail;
  };
  const std::pair<std::string, std::string> kRefused[] = {
      {data_with(2, "2 1 1 1 1", ""),
       ":3: the line holds 5 values, but a row of the table needs 4"},
      {data_with(4, "4 2\t\t2", ""), ":5: the line holds 3 values, but a row of the table needs 4"},
  };
  for (const auto& [data, where] : kRefused) {
    test::TempFolder work;
    work.WriteFile("parameters.txt", test::kExampleParameters);
    work.WriteFile("data.txt", data);
    std::string out, err;
    EXPECT_EQ(RunProgram(work, "--folder '" + work.path() + "' --no-pause", out, err), 1);
    EXPECT_EQ(err.rfind("quorvalemixer: " + work.PathOf("data.txt") + where, 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // The screen names the same line.
    EXPECT_NE(out.find(", line " + where.substr(1, 1) + " holds"), std::string::npos) << out;
    EXPECT_FALSE(std::ifstream(work.PathOf("results.txt")).good());
  }

  test::TempFolder work;
  work.WriteFile("parameters.txt", test::kExampleParameters);
  work.WriteFile("data.txt", data_with(3, "3 7 2 1", "7 1 1 1\n8 1 2 2\n"));
  std::string out, err;
  EXPECT_EQ(RunProgram(work, "--folder '" + work.path() + "' --seed 3 --no-pause", out, err), 0);
  EXPECT_EQ(err, "quorvalemixer: warning: " + work.PathOf("data.txt") +
                     ":8: 2 rows after the last person's row were not read; PersonCount in "
                     "parameters.txt sets how many rows are read.\n"
                     "quorvalemixer: warning: " +
                     work.PathOf("data.txt") +
                     ": 1 person of a type other than 1 or 2 was left out of every group: "
                     "person 3.\n");
  // Person 3 is in no group, as the warning says.
  const std::string results = test::ReadWholeFile(work.PathOf("results.txt"));
  EXPECT_NE(results.find("\n3 \t0 \t"), std::string::npos) << results;
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
