// Turns a mix file and its roster into the run: the MixPlan that describes it and the texts of
// "parameters.txt" and "data.txt" that folder mode reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "model/model.h"
#include "roster/mix_file.h"
#include "roster/mix_plan.h"
#include "roster/roster_csv.h"

namespace quorvale {

// The plan of a mix without [plan]: at most 99999 cycles, so that the panel's cycle count keeps
// inside the screen, and a time limit that ends it first on a large roster.
inline constexpr int32_t kDefaultRuns = 4999;
inline constexpr int32_t kDefaultStages = 4;
inline constexpr int32_t kDefaultFocus = 3;
inline constexpr int32_t kDefaultSpread = 2;
inline constexpr int64_t kDefaultTimeLimitMs = int64_t{60} * 1000;

// Builds the plan (its paths are left to the caller) and the model: the parameters and the data
// table, with the rules' columns kept from being turned around.
// `mix_name` and `roster_name` name the two files in messages. Refused, with the file, line and
// what was expected: a column that matches no header (offering the closest), a column in both
// [spread] and [pack], an empty or third value in the balance column, a rule naming a person
// who matches no row or several, a person named twice in one rule, rules without a name column,
// fewer than two persons, more groups than persons, pair totals beyond 16 bits.
Status BuildMix(const MixFile& mix, const Roster& roster, const std::string& mix_name,
                const std::string& roster_name, MixPlan& plan, Model& model);

// The eight numbers, one a line.
std::string FormatParametersText(const Parameters& params);

// DataTable's rows 0..N, one a line, values separated by tabs.
std::string FormatDataText(const Model& model);

}  // namespace quorvale
