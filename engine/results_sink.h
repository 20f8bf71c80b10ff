// Where the search saves its best grouping: "results.txt" in the program, a recorder in tests.
#pragma once

#include <cstdint>

#include "base/status.h"
#include "engine/problem.h"

namespace quorvale {

inline constexpr int32_t kTargetNotReached = 1;
inline constexpr int32_t kTargetReached = 2;

class ResultsSink {
 public:
  virtual ~ResultsSink() = default;
  // Saves BestAssignment, BestPersonConflict, BestScore and the run-wide values of `problem`
  // with the given TargetStatus and CycleNumber. A failure says why, in words for the user.
  virtual Status Write(const Problem& problem, int32_t target_status, int32_t cycle_number) = 0;
};

}  // namespace quorvale
