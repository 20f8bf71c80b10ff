// Problems from input texts.
#include "tests/support/problem_text.h"

#include <gtest/gtest.h>

#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "input/data_reader.h"
#include "input/parameter_reader.h"

namespace quorvale::test {

Problem ProblemFromText(std::string_view parameters, std::string_view data, bool prepare) {
  Parameters params;
  Problem p;
  for (const Status& status :
       {ReadParameters(parameters, "parameters.txt", params), AllocateProblem(params, p),
        ReadDataTable(data, "data.txt", p), prepare ? BuildConflictMatrix(p) : Status::Ok()}) {
    EXPECT_TRUE(status.ok()) << status.message();
  }
  if (prepare) {
    DealInitialAssignment(p);
    Engine engine(SupportedKernelLevel());
    SetUpStartValues(p, engine);
  }
  return p;
}

}  // namespace quorvale::test
