// The values the status panel shows: what the search hands to the screen at each refresh.
#pragma once

#include <cstdint>

namespace quorvale {

struct PanelValues {
  int64_t current = 0;  // CurrentScore, hundredths
  float target = 0.0f;  // the shown Target Score, points
  int64_t best = 0;     // BestScore, hundredths
  int32_t cycle = 0;    // CycleNumber, 0 before the first cycle
  int32_t total = 0;    // TotalCycles
};

}  // namespace quorvale
