// What a mix turned into: the persons, how each roster column became a weighted attribute column
// of "data.txt", the balance column, and each rule with its own attribute column. It is the
// roster front end's description of a run, for the outputs that speak of names and labels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvale {

// A roster column weighted by [spread] or [pack].
struct MixColumn {
  std::string header;                         // the roster column's name
  int32_t weight = 0;                         // in "data.txt": > 0 spreads, < 0 packs
  bool pack = false;                          // from [pack]
  std::vector<std::string> labels;            // labels[k - 1] is code k, in first appearance
  std::optional<std::string> majority_label;  // a label held by more than half the persons
  bool majority_ignored = false;              // written as no category (majority = "ignore")
  int data_column = 0;                        // its column in "data.txt" (2..)
};

// The column balanced over the groups: values[t - 1] is type t, in order of first appearance;
// an empty cell is a value of its own, "".
struct MixBalance {
  std::string header;
  std::vector<std::string> values;
};

// A rule: its members share one category of an attribute column of their own.
struct MixRule {
  bool apart = true;               // apart: never in one group; else always in one group
  std::vector<int> persons;        // members as persons 1..N (roster rows)
  std::vector<std::string> names;  // the names as the mix file or the rule column gives them
  std::string source;              // where it was stated: "[rules]" or the rule column's name
  int data_column = 0;             // its column of the data table
  int32_t weight = 0;              // that column's weight (> 0 apart, < 0 together)
};

// A column of [buddy]: each person alone with their value in a group costs the weight.
struct MixBuddy {
  std::string header;
  int32_t weight = 0;
  std::vector<std::string> labels;   // labels[v - 1] is value v
  std::vector<std::string> ignored;  // values that cost nothing, as written
};

// A column of [average]: its numbers' group means as equal as can be.
struct MixAverage {
  std::string header;
  int32_t weight = 0;
  int32_t decimals = 0;  // the numbers are held in units of 10^-decimals
};

struct MixPlan {
  std::string mix_path;     // the mix file
  std::string roster_path;  // the roster it names
  std::string work_folder;  // the folder that receives parameters.txt, data.txt, results.txt
  std::string groups_path;  // MIX.groups.csv

  std::optional<std::string> name_column;
  std::vector<std::string> names;   // names[p - 1] names person p (the row number without a name)
  std::vector<std::string> header;  // the roster's header
  std::vector<std::vector<std::string>> rows;  // the roster's rows, cells trimmed
  std::vector<int> lines;                      // the line of the roster on which each row begins

  std::vector<MixColumn> columns;  // in the order of "data.txt"
  std::optional<MixBalance> balance;
  std::vector<MixRule> rules;            // apart rules first, then together rules
  std::vector<std::string> group_names;  // one per group; empty: the groups are numbered
  std::vector<int32_t> pins;             // per person 1..N (index 0 unused): a group, or 0
  std::vector<MixBuddy> buddies;
  std::vector<MixAverage> averages;
  int32_t rounds = 1;
  int32_t repeat_weight = 0;  // with rounds: a repeated meeting's cost
  // Said on standard error before the run: names held by several rows, rows without a name.
  std::vector<std::string> warnings;

  std::optional<uint32_t> seed;          // from the mix file
  std::optional<int64_t> time_limit_ms;  // from the mix file, or the default plan's limit
  // [plan] was given: its cycles end the search; otherwise the run ends with its proof or its
  // time limit, and the default plan's cycle count is only the panel's total.
  bool plan_given = false;
  std::optional<std::string> search;  // "classic" or "deep", from the mix file
};

}  // namespace quorvale
