// Problems built from the texts of "parameters.txt" and "data.txt", as the program reads them.
#pragma once

#include <string_view>

#include "engine/problem.h"

namespace quorvale::test {

// The six-person example: 6 persons, 4 columns, TypeMode 1, 2 groups, 2 runs of 3 stages of
// 2 focus and 1 spread cycle.
inline constexpr std::string_view kExampleParameters = "6 4 1 2 2 3 2 1";
inline constexpr std::string_view kExampleData =
    "0 0 100 50  1 1 1 2  2 1 1 1  3 2 2 1  4 2 2 2  5 1 3 0  6 2 3 2";

// Reads both texts into a new Problem; with `prepare`, also builds the matrix (on a scratch
// screen), deals and sets the start values. Bad input fails the calling test.
Problem ProblemFromText(std::string_view parameters, std::string_view data, bool prepare = false);

inline Problem PreparedProblem(std::string_view parameters, std::string_view data) {
  return ProblemFromText(parameters, data, true);
}

}  // namespace quorvale::test
