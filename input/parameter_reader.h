// Reading of "parameters.txt": the eight run parameters, checked against the ranges the grouping
// engine relies on.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "model/parameters.h"

namespace quorvale {

// Reads the eight run parameters from the text of "parameters.txt" and checks their ranges.
// `file_name` names the file in messages (the driver passes the full path).
//
// The text holds whole numbers separated by white space, in the order PersonCount, ColumnCount,
// TypeMode, GroupCount, RunCount, StagesPerRun, FocusCycles, SpreadCycles; anything after the
// eighth is not looked at. Fails, naming the first offending value, unless every value is a
// 32-bit whole number and PersonCount >= 2, ColumnCount >= 2, GroupCount >= 1, RunCount >= 0,
// StagesPerRun >= 1, FocusCycles >= 0, SpreadCycles >= 0, FocusCycles + SpreadCycles >= 1, and
// both the cycles of a run, (FocusCycles + SpreadCycles) x StagesPerRun, and TotalCycles, that
// times RunCount, fit in a signed 32-bit integer. TypeMode may be any value.
// On success every field of `params` is set; on failure its contents are unspecified.
Status ReadParameters(std::string_view text, const std::string& file_name, Parameters& params);

}  // namespace quorvale
