// An independent check of a "results.txt" against the input it was computed from: its layout,
// the range of every group number, the group sizes and per-group type counts of the first deal,
// and the scores recomputed from the grouping the file holds. Used by the program tests, the
// fuzz targets and the soak run.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/problem.h"
#include "engine/status.h"

namespace quorvale::test {

// What a results file holds, filled in once the file has passed every check.
struct ResultsSummary {
  int64_t TargetScore = 0;
  int32_t TargetStatus = 0;
  int32_t ConflictDensity = 0;
  int64_t BestScore = 0;
  int32_t CycleNumber = 0;
  std::vector<int32_t> groups;  // entries 1..PersonCount; entry 0 unused
};

class ResultsChecker {
 public:
  // Reads both texts with the program's own readers, builds the conflict matrix and deals the
  // first grouping. When the program would refuse the input, input_status() says why and every
  // Check fails with that message.
  ResultsChecker(std::string_view parameters_text, std::string_view data_text);

  const Status& input_status() const { return input_status_; }
  int32_t person_count() const { return problem_.PersonCount; }

  // Checks `results` (the whole text of a results file). The message names the line and what
  // was expected there. On success fills `summary` when it is given.
  Status Check(std::string_view results, ResultsSummary* summary = nullptr);

 private:
  Status input_status_;
  Problem problem_;  // dealt and evaluated; Check reuses its tables for the recomputation
  std::vector<int32_t> dealt_groups_;
  std::map<std::pair<int32_t, int32_t>, int> dealt_counts_;  // (group, type) -> persons
};

// Reads parameters.txt, data.txt and results.txt from `folder` and checks the results.
Status CheckResultsFolder(const std::string& folder, ResultsSummary* summary = nullptr);

}  // namespace quorvale::test
