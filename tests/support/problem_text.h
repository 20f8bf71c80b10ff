// Problems built from the texts of "parameters.txt" and "data.txt", as the program reads them.
#pragma once

#include <string_view>

#include "engine/problem.h"

namespace quorvale::test {

// The six-person example: 6 persons, 4 columns, TypeMode 1, 2 groups, 2 runs of 3 stages of
// 2 focus and 1 spread cycle.
inline constexpr std::string_view kExampleParameters = "6\n4\n1\n2\n2\n3\n2\n1\n";
inline constexpr std::string_view kExampleData =
    "0 0 100 50\n"
    "1 1 1 2\n"
    "2 1 1 1\n"
    "3 2 2 1\n"
    "4 2 2 2\n"
    "5 1 3 0\n"
    "6 2 3 2\n";

// Reads both texts into a freshly allocated Problem; fails the calling test on bad input.
Problem ProblemFromText(std::string_view parameters, std::string_view data);

// The same with the conflict matrix built (on a scratch screen), the first grouping dealt and
// the start values set.
Problem PreparedProblem(std::string_view parameters, std::string_view data);

}  // namespace quorvale::test
