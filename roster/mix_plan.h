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

// The column balanced over the groups: its first value is type 1, its second type 2.
struct MixBalance {
  std::string header;
  std::string type1_value;
  std::string type2_value;  // empty when the column holds only one value
};

// A rule of [rules]: its members share one category of an attribute column of their own.
struct MixRule {
  bool apart = true;               // apart: never in one group; else always in one group
  std::vector<int> persons;        // members as persons 1..N (roster rows)
  std::vector<std::string> names;  // the names as the mix file gives them
  int data_column = 0;             // its column in "data.txt"
  int32_t weight = 0;              // that column's weight (> 0 apart, < 0 together)
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

  std::vector<MixColumn> columns;  // in the order of "data.txt"
  std::optional<MixBalance> balance;
  std::vector<MixRule> rules;  // apart rules first, then together rules

  std::optional<uint32_t> seed;          // from the mix file
  std::optional<int64_t> time_limit_ms;  // from the mix file, or the default plan's limit
  // [plan] was given: its cycles end the search; otherwise the run ends with its proof or its
  // time limit, and the default plan's cycle count is only the panel's total.
  bool plan_given = false;
  std::optional<std::string> search;  // "classic" or "deep", from the mix file
};

}  // namespace quorvale
