// "results.txt": the best grouping, its score, the target, whether it was reached, the density
// of the pair weights and the place in the search schedule at which the file was written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "engine/problem.h"
#include "engine/results_sink.h"
#include "model/parameters.h"

namespace quorvale {

struct SchedulePosition {
  int32_t RunNumber = 0;
  int32_t StageNumber = 0;
  int32_t FocusIndex = 0;
  int32_t SpreadIndex = 0;
};

// Where cycle `cycle_number` lies in the schedule; cycle 0 (before the first) decodes to run 1,
// stage 1, focus and spread index 0. REQUIRES: StagesPerRun >= 1 and a stage of one cycle or more.
SchedulePosition DecodeCycleNumber(int32_t cycle_number, const Parameters& params);

// The whole file: three head lines, then one line per person, every value as "%d \t" and every
// line ended by "\n".
std::string FormatResults(const Problem& problem, int32_t target_status, int32_t cycle_number);

// Replaces the file at `path` with `text` so that at no moment does the path hold a partial
// file: the text goes to a temporary file in the same folder, is flushed to disk and renamed over
// the old one. A file whose write permission has been taken away is not replaced.
Status ReplaceFileAtomically(const std::string& path, std::string_view text);

// Removes what an interrupted replacement of `path` can leave behind: regular files in its folder
// named as its temporary files are ("results.txt.XXXXXX", six letters or digits). Returns how
// many it removed; a file it cannot remove stays.
int RemoveLeftoverTemporaries(const std::string& path);

// Saves to a fixed path.
class ResultsFile final : public ResultsSink {
 public:
  explicit ResultsFile(std::string path) : path_(std::move(path)) {}
  Status Write(const Problem& problem, int32_t target_status, int32_t cycle_number) override;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace quorvale
