// The report's tables of the wishes beyond pairs, for one grouping: for a buddy column, each
// group's holders of each value and the persons left alone; for an average column, each group's
// mean and standard deviation beside the whole list's.
#pragma once

#include <string>

#include "engine/problem.h"
#include "report/report_data.h"

namespace quorvale {

// The label of group g: its name, or "G<g>".
std::string GroupLabel(const ReportData& data, int group);

// The HTML of the section for `grouping` (entries 1..N), or nothing when the problem has no such
// wishes.
std::string WishTables(const Problem& problem, const ReportData& data,
                       const std::vector<int32_t>& grouping);

}  // namespace quorvale
