// `check MIX.toml [GROUPS.csv]`: a grouping edited by hand, scored as a run scores its best, with
// the verdict in words, the bounds that need no solver and a report. The groups file is only
// read; the working folder is locked as a run locks it, and only the report is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "engine/engine.h"

namespace quorvale {

// Reads the mix and its roster, then the groups file (MIX.groups.csv when none is given), and
// writes MIX.report.html for its grouping; `rounds`, when given, replaces the mix file's rounds
// as --rounds does for a run. Prints the summary to `out`, a refusal or failure to `err`. Returns
// 0 when the grouping was scored and its report written, else 1.
int RunCheck(const std::string& mix_path, const std::optional<std::string>& groups_path,
             std::optional<int32_t> rounds, double memory_limit, KernelLevel level, std::FILE* out,
             std::FILE* err);

}  // namespace quorvale
