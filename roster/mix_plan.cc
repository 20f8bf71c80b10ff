// Checking rules against a grouping.
#include "roster/mix_plan.h"

#include <algorithm>

namespace quorvale {

bool RuleKept(const MixRule& rule, std::span<const int32_t> group_of_person) {
  auto group = [&](int person) {
    return static_cast<size_t>(person) < group_of_person.size()
               ? group_of_person[static_cast<size_t>(person)]
               : 0;
  };
  for (size_t a = 0; a < rule.persons.size(); ++a) {
    if (group(rule.persons[a]) < 1) return false;  // never dealt: in no group at all
    for (size_t b = a + 1; b < rule.persons.size(); ++b) {
      const bool same = group(rule.persons[a]) == group(rule.persons[b]);
      if (same == rule.apart) return false;
    }
  }
  return true;
}

std::vector<bool> RulesKept(const MixPlan& plan, std::span<const int32_t> group_of_person) {
  std::vector<bool> kept;
  kept.reserve(plan.rules.size());
  for (const MixRule& rule : plan.rules) kept.push_back(RuleKept(rule, group_of_person));
  return kept;
}

}  // namespace quorvale
