// The verdict on a grouping in a teacher's words, for roster mode: one line for each wish of the
// mix (group sizes when they differ from the mix's, the balance column, each spread and pack
// column, each buddy and average column, the meetings over rounds, the rules and the pins), then
// how far the grouping can lie from the best possible. Weights and gaps are in the mix file's
// units. The summary prints these lines first and the report shows them at its top.
#pragma once

#include <string>
#include <vector>

#include "engine/problem.h"
#include "report/report_data.h"

namespace quorvale {

struct PlainLine {
  enum class Mark { kMet, kShort, kBroken };
  std::string text;
  // kShort: the wish is met less well than it could be on its own (a column above its least, a
  // person alone with their value); kBroken: a rule or pin not kept, or group sizes not the mix's.
  Mark mark = Mark::kMet;
};

// The lines for BestAssignment of `problem`; with rounds, for every round of BestRounds (a line
// all rounds share once, "Every round: ...", the others as "Round r: ..."), then the meetings.
// REQUIRES: BuildConflictMatrix has run on `problem`; `data` describes it (DescribeMix).
std::vector<PlainLine> PlainVerdictLines(const Problem& problem, const ReportData& data);

}  // namespace quorvale
