// The real program as a user starts it: output to a pipe, misshapen and unused input, and the
// command line.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/problem_text.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

// Runs the program with `arguments` (quoted for the shell) in a folder of its own holding the
// example's parameters and `data`; returns its exit code and fills `out` and `err`.
class ProgramTest : public ::testing::Test {
 protected:
  int Run(const std::string& arguments, const std::string& data = "") {
    work_.WriteFile("parameters.txt", test::kExampleParameters);
    work_.WriteFile("data.txt", data.empty() ? std::string(test::kExampleData) : data);
    const std::string command = std::string("'") + QM_PROGRAM_PATH + "' " + arguments +
                                " </dev/null >'" + work_.PathOf("out") + "' 2>'" +
                                work_.PathOf("err") + "'";
    const int status = std::system(command.c_str());
    out_ = test::ReadWholeFile(work_.PathOf("out"));
    err_ = test::ReadWholeFile(work_.PathOf("err"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Folder() { return "--folder '" + work_.path() + "' --no-pause"; }

  test::TempFolder work_;
  std::string out_, err_;
};

TEST_F(ProgramTest, PipedOutputIsTheScreenAsPlainLines) {
  EXPECT_EQ(Run(Folder() + " --seed 7"), 0);
  EXPECT_EQ(out_.find('\x1b'), std::string::npos);
  // The 25 rows of the screen, then the summary.
  EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 30);
  EXPECT_NE(out_.find("\nBest score 0.50, Target Score 0.50"), std::string::npos);
  EXPECT_EQ(out_.find(" \n"), std::string::npos);  // no trailing spaces
  EXPECT_NE(out_.find("\n <Target Score>: 0.50"), std::string::npos);
  EXPECT_EQ(test::ReadWholeFile(work_.PathOf("results.txt")).substr(0, 12), "50 \t2 \t23 \t\n");
}

// A blank cell of a spreadsheet export is refused at its line on the screen and on standard
// error, with no results; extra rows and persons of another type run, and standard error says
// what was not used.
TEST_F(ProgramTest, MisshapenDataIsRefusedAtItsLineAndUnusedInputIsTold) {
  const std::string head = "0 0 100 50\n1 1 1 2\n2 1 1 1\n";
  EXPECT_EQ(Run(Folder(), head + "3 2 2 1\n4 2\t\t2\n5 1 3 0\n6 2 3 2\n"), 1);
  EXPECT_EQ(err_, "quorvalemixer: " + work_.PathOf("data.txt") +
                      ":5: the line holds 3 values, but a row of the table needs 4: the first "
                      "line holds one row, so every line is read as one row (blank lines are "
                      "fine).\n");
  EXPECT_NE(out_.find(", line 5 holds"), std::string::npos) << out_;  // the screen names it too
  EXPECT_FALSE(std::ifstream(work_.PathOf("results.txt")).good());

  EXPECT_EQ(
      Run(Folder() + " --seed 3", head + "3 7 2 1\n4 2 2 2\n5 1 3 0\n6 2 3 2\n7 1 1 1\n8 1 2 2\n"),
      0);
  EXPECT_EQ(err_, "quorvalemixer: warning: " + work_.PathOf("data.txt") +
                      ":8: 2 rows after the last person's row were not read; PersonCount in "
                      "parameters.txt sets how many rows are read.\n"
                      "quorvalemixer: warning: " +
                      work_.PathOf("data.txt") +
                      ": 1 person of a type other than 1 or 2 was left out of every group: "
                      "person 3.\n");
  // Person 3 is in no group, as the warning says.
  const std::string results = test::ReadWholeFile(work_.PathOf("results.txt"));
  EXPECT_NE(results.find("\n3 \t0 \t"), std::string::npos) << results;
}

TEST_F(ProgramTest, CommandLine) {
  EXPECT_EQ(Run("--frobnicate"), 2);
  EXPECT_EQ(err_.rfind("quorvalemixer: unknown option '--frobnicate'\n\nUsage:", 0), 0u) << err_;
  EXPECT_EQ(Run("stray"), 2);
  EXPECT_EQ(err_.rfind("quorvalemixer: unexpected argument 'stray'", 0), 0u) << err_;
  for (const char* bad :
       {"--seed", "--seed -1", "--seed 4294967296", "--seed 12x", "--folder=", "--search fast",
        "--search", "--threads 0", "--threads 257", "--threads two"}) {
    EXPECT_EQ(Run(bad), 2) << bad;
  }
  EXPECT_EQ(Run("--help"), 0);
  EXPECT_EQ(out_.rfind("Usage: quorvalemixer", 0), 0u);
  EXPECT_EQ(Run("--version"), 0);
  EXPECT_EQ(out_.rfind("quorvalemixer 1.0.0\nsearch kernels: ", 0), 0u) << out_;
}

}  // namespace
}  // namespace quorvale
