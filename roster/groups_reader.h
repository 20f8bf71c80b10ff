// A groups file read back: MIX.groups.csv as a teacher may have edited it by hand, matched to the
// roster's rows by their cells, so that a spreadsheet that sorted the rows still matches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "roster/mix_plan.h"

namespace quorvale {

// What the file must hold besides the roster's columns: the column of groups ("Group"), or one
// for each round ("Round 1", ...), each cell a group's name (when the mix names them) or number.
struct GroupsFileColumns {
  std::vector<std::string> columns;
  int32_t groups = 0;
  std::vector<std::string> group_names;  // groups 1..G in order; empty: numbered
};

// Reads `text` (the file `file_name`, in CSV as the roster is read, with `delimiter` when the mix
// gives one) against the roster of `plan` (named `roster_name`): rounds[r][p] receives person p's
// group in round r (entries 1..N). The roster's columns may stand in any order and other columns
// are passed over; a row whose roster cells are all empty names nobody. Refused with the file,
// line and what was expected: a roster column or a column of groups missing, a row the roster
// does not hold (or holds fewer times), an empty or unknown group, a roster row not found.
Status ReadGroupsFile(std::string_view text, const std::string& file_name,
                      const std::string& roster_name, const MixPlan& plan,
                      const GroupsFileColumns& expected, std::optional<char> delimiter,
                      std::vector<std::vector<int32_t>>& rounds);

}  // namespace quorvale
