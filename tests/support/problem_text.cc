// Problems from input texts.
#include "tests/support/problem_text.h"

#include <gtest/gtest.h>

#include <string>

#include "console/screen.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "input/data_reader.h"
#include "input/parameter_reader.h"

namespace quorvale::test {

Problem ProblemFromText(std::string_view parameters, std::string_view data) {
  Parameters params;
  Status status = ReadParameters(parameters, "parameters.txt", params);
  EXPECT_TRUE(status.ok()) << status.message();
  Problem problem;
  status = AllocateProblem(params, problem);
  EXPECT_TRUE(status.ok()) << status.message();
  status = ReadDataTable(data, "data.txt", problem);
  EXPECT_TRUE(status.ok()) << status.message();
  return problem;
}

Problem PreparedProblem(std::string_view parameters, std::string_view data) {
  Problem problem = ProblemFromText(parameters, data);
  Screen screen;
  const Status status = BuildConflictMatrix(problem, screen);
  EXPECT_TRUE(status.ok()) << status.message();
  DealInitialAssignment(problem);
  SetUpStartValues(problem);
  return problem;
}

}  // namespace quorvale::test
