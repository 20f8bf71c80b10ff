// The live status panel: best-so-far and current scores, the cycle count, a score bar that
// places target, best and current on one row, and the search time. The search decides when it is
// due; this only draws.
#pragma once

#include <cstdint>

#include "base/panel_values.h"
#include "console/console.h"

namespace quorvale {

// Dots for a gap of `points` whole points: one per point up to 40, then one per leading-digit
// step of each further decade. A negative gap gives a negative count (no dots are printed).
int64_t GapDots(int64_t points);

// Room a marker's number takes beyond two digits: 1 up to 99, 2 for 100..999, and so on.
int64_t DigitAllowance(int64_t value);

// Draws the panel from `values` with the search time from `elapsed_ms`, then flushes. Leaves the
// colour at white on green.
void DrawStatusPanel(Console& console, const PanelValues& values, int64_t elapsed_ms);

}  // namespace quorvale
