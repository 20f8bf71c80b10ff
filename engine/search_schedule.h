// The search schedule: how strongly each scrambler cycle scrambles. Cycles come in runs of
// StagesPerRun stages, each stage FocusCycles focus cycles then SpreadCycles spread cycles.
#pragma once

#include <cstdint>

#include "model/parameters.h"

namespace quorvale {

// ScrambleRate of a spread cycle, of a focus cycle, and of the first cycle of a run.
inline constexpr int32_t kSpreadRate = 4;
inline constexpr int32_t kFocusRate = 0;
inline constexpr int32_t kFullRate = 100;
// Instead of a rate: start again from the best grouping (first cycle of runs 6, 11, 16, ...).
inline constexpr int32_t kRestartFromBest = -1;

// The ScrambleRate of cycle `cycle` (1-based), or kRestartFromBest.
// REQUIRES: cycle >= 1, StagesPerRun >= 1, FocusCycles + SpreadCycles >= 1.
int32_t ScheduledRate(int32_t cycle, const Parameters& params);

}  // namespace quorvale
