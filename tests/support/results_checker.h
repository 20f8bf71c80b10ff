// An independent check of a "results.txt" against the input it was computed from, for the
// program tests, the fuzz targets and the soak run.
#pragma once

#include <string>
#include <string_view>

namespace quorvale::test {

struct ResultsSummary {
  long long TargetStatus = 0, BestScore = 0, CycleNumber = 0;
};

// "" when `results` is PersonCount + 3 lines of three values, each written as "%d \t" and ended
// by "\n"; its head agrees with the input and the cycle; every person the first deal placed is
// in a group 1..GroupCount and every other in 0, with the group sizes and per-group type counts
// of that deal; and the best score and person conflicts are those recomputed for its grouping.
// Otherwise what is wrong and where. The input is read with the program's own readers; when the
// program would refuse it, the check fails with the reason. Fills `summary` when it passes.
std::string CheckResults(std::string_view parameters_text, std::string_view data_text,
                         std::string_view results, ResultsSummary* summary = nullptr);

// Checks `folder`/results.txt against the folder's parameters.txt and data.txt.
std::string CheckResultsFolder(const std::string& folder, ResultsSummary* summary = nullptr);

}  // namespace quorvale::test
