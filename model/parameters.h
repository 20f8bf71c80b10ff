// The eight run parameters of "parameters.txt".
#pragma once

#include <cstdint>

namespace quorvale {

struct Parameters {
  int32_t PersonCount = 2;   // N: persons 1..N
  int32_t ColumnCount = 2;   // C: integers per data row; attribute columns are 2..C-1
  int32_t TypeMode = 0;      // 3: one type, dealt in turn; 2: two types in blocks; else in turn
  int32_t GroupCount = 2;    // G: groups 1..G
  int32_t RunCount = 0;      // runs of the search schedule
  int32_t StagesPerRun = 0;  // stages in every run
  int32_t FocusCycles = 0;   // cycles at the start of a stage that scramble only conflicts
  int32_t SpreadCycles = 0;  // cycles at the end of a stage that also scramble 4 in 100 others
};

}  // namespace quorvale
