// Rules as attribute columns. Every rule becomes one category shared by its members; rules of
// one kind that share no person can share a column, and the rules' weight is the strongest that
// keeps every pair's total weight inside the 16-bit range of the pair weights.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace quorvale {

// Persons are 0-based here: codes[p] is person p + 1's code, 0 for no category.
struct WeightedCodes {
  std::vector<int32_t> codes;
  int64_t weight = 0;
};

struct RuleMembers {
  bool apart = true;
  std::vector<int> persons;  // 0-based, all different
};

struct RuleLayout {
  std::vector<int> column_of_rule;     // index into columns
  std::vector<int32_t> code_of_rule;   // its code in that column
  std::vector<WeightedCodes> columns;  // apart columns first; weights filled in
};

// The least and the most any two persons' total can be for `columns` (weights as given, a code
// held by more than half of the persons turned around): a bound, not always met.
struct PairTotalRange {
  int64_t low = 0;
  int64_t high = 0;
};
PairTotalRange PairTotalBounds(const std::vector<WeightedCodes>& columns);

// Puts the rules into as few columns as the kinds and shared persons allow.
RuleLayout LayOutRules(const std::vector<RuleMembers>& rules, int persons);

// The pair totals `columns` give, as the engine forms them (a code held by more than half of
// the persons is turned around, but never in a rule's column), must lie in -32768..32767: otherwise
// fails naming the pair with `names`. Then sets every rule column's weight to +W (apart) or -W
// (together), W the largest value in 1..32767 that keeps every pair's total inside the range; fails
// when none does.
Status WeighRules(const std::vector<WeightedCodes>& columns, const std::vector<RuleMembers>& rules,
                  const std::vector<std::string>& names, RuleLayout& layout);

}  // namespace quorvale
