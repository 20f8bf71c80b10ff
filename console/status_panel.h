// The live status panel: best-so-far and current scores, the cycle count, a score bar that
// places target, best and current on one row, and the search time.
#pragma once

#include <cstdint>

#include "console/console.h"
#include "engine/clock.h"

namespace quorvale {

struct PanelValues {
  int64_t current = 0;  // CurrentScore, hundredths
  float target = 0.0f;  // the shown Target Score, points
  int64_t best = 0;     // BestScore, hundredths
  int32_t cycle = 0;    // CycleNumber, 0 before the first cycle
  int32_t total = 0;    // TotalCycles
};

// Dots for a gap of `points` whole points: one per point up to 40, then one per leading-digit
// step of each further decade. A negative gap gives a negative count (no dots are printed).
int64_t GapDots(int64_t points);

// Room a marker's number takes beyond two digits: 1 up to 99, 2 for 100..999, and so on.
int64_t DigitAllowance(int64_t value);

// Draws the panel from `values` with the search time from `elapsed_ms`, then flushes. Leaves the
// colour at white on green.
void DrawStatusPanel(Console& console, const PanelValues& values, int64_t elapsed_ms);

// The panel together with its refresh rule: inside the search it is redrawn only when more than
// 40 ms have passed since its last drawing.
class StatusPanel {
 public:
  StatusPanel(Console& console, Clock& clock) : console_(console), clock_(clock) {}

  // Starts the refresh rule's time from now.
  void StartRefreshClock() { last_panel_time_ = clock_.ElapsedMs(); }
  // Redraws when the clock reads more than 40 ms past the last refresh drawing.
  void RefreshIfDue(const PanelValues& values);
  // Draws now, whatever the time; does not restart the refresh rule.
  void Draw(const PanelValues& values);

 private:
  Console& console_;
  Clock& clock_;
  int64_t last_panel_time_ = 0;
};

}  // namespace quorvale
