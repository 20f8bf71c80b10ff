// The real program as a user starts it: output to a pipe, the command line, and the examples.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

struct Finished {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs the program with `arguments` (already quoted for the shell), standard input empty.
Finished RunProgram(const test::TempFolder& scratch, const std::string& arguments) {
  const std::string out = scratch.PathOf("stdout");
  const std::string err = scratch.PathOf("stderr");
  const std::string command = std::string("'") + QM_PROGRAM_PATH + "' " + arguments +
                              " </dev/null >'" + out + "' 2>'" + err + "'";
  const int status = std::system(command.c_str());
  Finished finished;
  if (WIFEXITED(status)) finished.exit_code = WEXITSTATUS(status);
  finished.out = test::ReadWholeFile(out);
  finished.err = test::ReadWholeFile(err);
  return finished;
}

TEST(ProgramTest, PipedOutputIsTheScreenAsPlainLines) {
  test::TempFolder scratch;
  const std::string folder = std::string(QM_EXAMPLES_DIR) + "/six-persons";
  test::TempFolder work;
  work.WriteFile("parameters.txt", test::ReadWholeFile(folder + "/parameters.txt"));
  work.WriteFile("data.txt", test::ReadWholeFile(folder + "/data.txt"));
  const Finished run = RunProgram(scratch, "--folder '" + work.path() + "' --seed 7 --no-pause");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  int lines = 0;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line); ++lines) {
    EXPECT_TRUE(line.empty() || line.back() != ' ') << "trailing space in: " << line;
  }
  EXPECT_EQ(lines, 25);
  EXPECT_NE(run.out.find(" <Target Score>: 0.50"), std::string::npos);
  const std::string results = test::ReadWholeFile(work.PathOf("results.txt"));
  EXPECT_EQ(results.substr(0, results.find('\n')), "50 \t2 \t23 \t");
  // The same seed gives the same file.
  EXPECT_EQ(RunProgram(scratch, "--folder '" + work.path() + "' --seed 7 --no-pause").exit_code, 0);
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("results.txt")), results);
}

TEST(ProgramTest, CommandLineErrorsGoToStandardErrorWithCodeTwo) {
  test::TempFolder scratch;
  Finished run = RunProgram(scratch, "--frobnicate");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("quorvalemixer: unknown option '--frobnicate'\n\nUsage:", 0), 0u)
      << run.err;
  run = RunProgram(scratch, "--seed 12x");
  EXPECT_EQ(run.exit_code, 2);
  run = RunProgram(scratch, "--help");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.rfind("Usage: quorvalemixer", 0), 0u);
  run = RunProgram(scratch, "--version");
  EXPECT_EQ(run.out, "quorvalemixer 1.0.0\n");
}

}  // namespace
}  // namespace quorvale
