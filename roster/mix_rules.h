// The rules of a mix, from the lists of [rules] and from its rule columns: each cell of
// together_column (apart_column) names persons who are to be with (apart from) that row's person,
// several separated by ";". Names are compared in their normal form (roster/person_names.h).
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "roster/mix_file.h"
#include "roster/mix_plan.h"
#include "roster/person_names.h"
#include "roster/roster_csv.h"

namespace quorvale {

struct RuleContext {
  const MixFile& mix;
  const Roster& roster;
  const PersonNames& names;
  const std::string& mix_name;
  const std::string& roster_name;
  const std::string& name_column;         // the column that names the persons
  const std::vector<std::string>& shown;  // shown[p] names person p + 1 as the roster writes it
};

// The rules, apart rules first, each kind from the lists first and then from the column; a pair
// a rule of its kind already holds is no new rule. Refused, naming the file and line: a name that
// matches no row or several (with the closest names), a person named twice in a rule, a rule
// column that matches no header, and a pair that is both together and apart (naming both rules).
Status CollectRules(const RuleContext& context, std::vector<MixRule>& rules);

// A rule in words, for messages: "the together rule of m.toml, line 12".
std::string RuleOrigin(const MixRule& rule);

}  // namespace quorvale
