// The categories of one weighted column in a grouping, as the user knows them: each
// value's label and how many of its holders each group holds. The report's balance tables and
// the verdict in words both read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/problem.h"
#include "report/report_data.h"

namespace quorvale {

struct ColumnCategory {
  std::string label;
  std::vector<int64_t> per_group;  // members per group 0..G
  int64_t holders = 0;
  bool majority = false;  // the turned-around majority code, which counts as no category
  bool others = false;    // the non-holders of the majority code, who share one category
};

// The person's value as the user knows it: the roster's label, or the code before any turning.
// REQUIRES: BuildConflictMatrix has run on `problem`.
std::string ColumnValue(const Problem& problem, const ReportColumn& column, int person);

// The column's categories in `grouping` (entries 1..N), most holders first; a turned-around
// majority comes first, followed by "all others", the one category its non-holders share. REQUIRES:
// BuildConflictMatrix has run on `problem`.
std::vector<ColumnCategory> ColumnCategories(const Problem& problem, const ReportColumn& column,
                                             const std::vector<int32_t>& grouping);

}  // namespace quorvale
