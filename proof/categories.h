// The categories of the attribute columns as sets of persons, for the bounds and the exact model:
// the score of a grouping is the sum, over categories and groups, of the column's weight times
// the number of same-group pairs among the category's members.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/problem.h"

namespace quorvale {

struct Category {
  int64_t weight = 0;            // the column's weight, in hundredths
  std::vector<int32_t> members;  // person numbers, ascending
};

// Every category with a non-zero weight and two or more members, column by column. A code held
// by more than half of the persons is turned around as BuildConflictMatrix turns it: the category
// is then the persons who do not hold it, persons without a code in the column included.
// REQUIRES: called before BuildConflictMatrix, which clears the turned-around codes from the
// data; ConflictMatrix equals the sum of every category's weight over its member pairs.
std::vector<Category> ListCategories(const Problem& problem);

}  // namespace quorvale
