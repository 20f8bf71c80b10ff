// The mix file: a small TOML file that says which roster to group, into how many groups, and
// how each column and each pair rule should weigh. Read with toml++.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace quorvale {

// A column of [spread], [pack], [buddy] or [average], as written.
struct MixColumnWeight {
  std::string column;
  int32_t weight = 0;               // 1..32767, as written; [pack] is negated later
  bool ignore_majority = false;     // majority = "ignore" ([spread] and [pack])
  std::vector<std::string> ignore;  // ignore = [...]: values that cost nothing ([buddy])
  int line = 0;
};

// A rule of [rules], as written: names of persons.
struct MixRuleNames {
  bool apart = true;
  std::vector<std::string> names;
  int line = 0;
};

struct MixPlanNumbers {
  int32_t runs = 0, stages = 0, focus = 0, spread = 0;
};

// A column named by a key of [rules].
struct MixRuleColumn {
  std::string column;
  int line = 0;
};

struct MixFile {
  std::string roster;  // relative to the mix file's folder, unless absolute
  std::optional<std::string> name_column;
  std::optional<int32_t> groups;         // from a number, or the number of names
  std::vector<std::string> group_names;  // groups = ["Otters", ...]; empty: groups are numbered
  std::optional<int32_t> group_size;
  std::vector<int32_t> sizes;  // each group's size, in the order of the groups
  std::optional<std::string> balance;
  std::optional<uint32_t> seed;
  std::optional<int64_t> time_limit_ms;
  std::optional<char> delimiter;
  std::optional<std::string> search;    // "classic" or "deep"; unset: chosen by the roster's size
  std::vector<MixColumnWeight> spread;  // in the order of the file
  std::vector<MixColumnWeight> pack;
  std::vector<MixRuleNames> rules;  // apart rules first, each kind in the order of the file
  // [rules]: columns whose cells name persons to be with, or apart from, the row's person, and
  // a column whose cells name the group a person is pinned to.
  std::optional<MixRuleColumn> together_column, apart_column, pin_column;
  std::vector<MixColumnWeight> buddy;    // [buddy]
  std::vector<MixColumnWeight> average;  // [average]
  std::optional<int32_t> rounds;
  std::optional<int32_t> repeat_weight;
  std::optional<MixPlanNumbers> plan;
  // Lines of the keys naming columns, for messages about them.
  int name_line = 0, balance_line = 0, groups_line = 0, sizes_line = 0, rounds_line = 0;
};

// Reads the text of a mix file. Syntax errors, unknown keys, and values of the wrong kind or
// outside their range are refused with `file_name`, the line, what was found and what was
// expected. Column and person names are checked later, against the roster.
Status ReadMixFile(std::string_view text, const std::string& file_name, MixFile& mix);

}  // namespace quorvale
