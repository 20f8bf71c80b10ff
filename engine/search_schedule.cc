// Rates of the search schedule.
#include "engine/search_schedule.h"

namespace quorvale {

int32_t ScheduledRate(int32_t cycle, const Parameters& params) {
  const int64_t stage_length = int64_t{params.FocusCycles} + params.SpreadCycles;
  const int64_t run_length = stage_length * params.StagesPerRun;
  const int64_t i = int64_t{cycle} - 1;
  if (i % stage_length >= params.FocusCycles) return kSpreadRate;
  if (i % run_length != 0) return kFocusRate;
  if (cycle < 2 || i % (5 * run_length) != 0) return kFullRate;
  return kRestartFromBest;
}

}  // namespace quorvale
