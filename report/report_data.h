// What the report shows beyond the engine's tables: the names the user knows the persons and
// columns by, the rules of a mix, and the facts of the run. Folder mode fills in numbers; the
// roster front end fills in names and labels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/parameters.h"
#include "proof/verdict.h"

namespace quorvale {

struct ReportColumn {
  int column = 0;    // the attribute column of the data table, 2..C-1
  std::string name;  // "Column 2" in folder mode, the roster's header in roster mode
  // Each person's value as the user wrote it (index 0 unused); empty: the data table's codes.
  std::vector<std::string> values;
  bool is_rule = false;  // a column the roster front end made from rules, not a roster column
};

struct ReportRule {
  bool apart = true;         // apart: never in one group; otherwise always in one group
  std::vector<int> members;  // persons 1..N
};

// A [buddy] column and an [average] column, in the order of the model's wishes.
struct ReportBuddy {
  std::string name;
  int32_t weight = 0;
  std::vector<std::string> labels;  // labels[v - 1] names value v
};
struct ReportAverage {
  std::string name;
  int32_t weight = 0;
};

struct RunFacts {
  std::string date;                 // when the run ended, local time
  std::vector<std::string> inputs;  // the files read
  uint32_t seed = 0;
  Parameters plan;
  int32_t total_cycles = 0;
  int32_t cycle_reached = 0;
  int64_t elapsed_ms = 0;
  bool target_reached = false;
  int stop_signal = 0;          // the signal that stopped the search, 0 if it ran to its end
  bool time_limit_hit = false;  // the time limit ended the search before its plan was spent
  std::string repeat_command;   // the command that repeats the run
  // Set when the grouping was read from this file and scored, not searched: the facts of a
  // search above then do not apply.
  std::string checked_from;
};

struct ReportData {
  std::string title;               // the mix file or the working folder
  std::vector<std::string> names;  // persons 1..N (index 0 unused); empty: person numbers
  std::vector<ReportColumn> columns;
  std::vector<ReportRule> rules;
  std::vector<std::string> group_names;  // groups 1..G (index 0 unused); empty: numbered
  std::vector<ReportBuddy> buddies;
  std::vector<ReportAverage> averages;
  // The column balanced over the groups through the persons' types, by person (index 0 unused).
  std::string balance_name;
  std::vector<std::string> balance_values;
  std::optional<Verdict> verdict;  // the proven bounds, when they were computed
  // False when the grouping's group sizes differ from the mix's (a grouping edited by hand): the
  // bounds are then no measure of it.
  bool bounds_hold = true;
  // Roster mode: scores, weights and gaps in the mix file's units (a whole number; 100 there is
  // 1.00 point), and the verdict in words above the scores.
  bool mix_units = false;
  std::vector<int32_t> pins;  // the group each person 1..N is pinned to (index 0 unused), 0: none
  // With several rounds: what each meeting of a pair beyond its first costs.
  int32_t repeat_weight = 0;
  int64_t rows_not_read = 0;  // rows of "data.txt" after the last one needed
  RunFacts run;
};

}  // namespace quorvale
