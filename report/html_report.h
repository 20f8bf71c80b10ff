// The HTML report of a run: the verdict, where the gap to the Target Score lies, the groups with
// their members, the balance of every column, the rules and the facts of the run. One
// self-contained page (no script, font or file fetched) that prints on A4.
#pragma once

#include <string>

#include "engine/problem.h"
#include "report/report_data.h"

namespace quorvale {

// The page for the best grouping of `problem` (BestAssignment, BestPersonConflict, BestScore);
// with rounds, for its best schedule (BestRounds): the meetings, then each round's groups,
// balance and rules.
// REQUIRES: BuildConflictMatrix has run on `problem`.
std::string RenderReport(const Problem& problem, const ReportData& data);

// Whether `rule` holds in `assignment` (groups of persons 1..N): apart, no two members share a
// group; together, all members share one group.
bool RuleKept(const ReportRule& rule, const std::vector<int32_t>& assignment);

}  // namespace quorvale
