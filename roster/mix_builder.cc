// From a mix to the numbers: labels become codes 1..K in order of first appearance, an empty
// cell no category, person p is roster row p; rules get columns of their own after the
// weighted columns.
#include "roster/mix_builder.h"

#include <algorithm>
#include <map>

#include "base/format.h"
#include "roster/closest_names.h"
#include "roster/rule_columns.h"

namespace quorvale {

namespace {

class Builder {
 public:
  Builder(const MixFile& mix, const Roster& roster, const std::string& mix_name,
          const std::string& roster_name, MixPlan& plan)
      : mix_(mix), roster_(roster), mix_name_(mix_name), roster_name_(roster_name), plan_(plan) {}
  Status Build(Model& model);

 private:
  Status MixError(int line, const std::string& message) const {
    if (line <= 0) return Status::Error(mix_name_ + ": " + message);
    return Status::Error(StringPrintf("%s, line %d: %s", mix_name_.c_str(), line, message.c_str()));
  }
  Status RosterError(int person, const std::string& message) const {
    return Status::Error(StringPrintf("%s, line %d: %s", roster_name_.c_str(),
                                      roster_.lines[static_cast<size_t>(person)], message.c_str()));
  }
  Status FindColumn(const std::string& name, int line, const std::string& key, int& index) const;
  Status Balance(std::vector<int32_t>& types);
  Status Weighted(const MixColumnWeight& given, bool pack, std::vector<WeightedCodes>& columns);
  Status Rules(std::vector<RuleMembers>& rules);
  Status FindPerson(const std::string& name, int line, int& person) const;

  const MixFile& mix_;
  const Roster& roster_;
  const std::string& mix_name_;
  const std::string& roster_name_;
  MixPlan& plan_;
  int n_ = 0;
};

Status Builder::FindColumn(const std::string& name, int line, const std::string& key,
                           int& index) const {
  index = roster_.ColumnIndex(name);
  if (index >= 0) return Status::Ok();
  return MixError(line, key + " names the column \"" + name + "\", which " + roster_name_ +
                            " does not have; expected one of its header's names, such as " +
                            QuotedChoice(ClosestNames(name, roster_.header)) + ".");
}

Status Builder::Balance(std::vector<int32_t>& types) {
  types.assign(static_cast<size_t>(n_), 1);
  if (!mix_.balance) return Status::Ok();
  int column = 0;
  if (Status s = FindColumn(*mix_.balance, mix_.balance_line, "balance", column); !s.ok()) {
    return s;
  }
  MixBalance balance{*mix_.balance, "", ""};
  for (int p = 0; p < n_; ++p) {
    const std::string& value = roster_.cells[static_cast<size_t>(p)][static_cast<size_t>(column)];
    const std::string expected =
        balance.type1_value.empty() ? std::string("a value")
        : balance.type2_value.empty()
            ? "\"" + balance.type1_value + "\" or a second value"
            : "\"" + balance.type1_value + "\" or \"" + balance.type2_value + "\"";
    if (value.empty()) {
      return RosterError(p, "the balance column \"" + balance.header +
                                "\" is empty in this row; expected " + expected + ".");
    }
    if (balance.type1_value.empty()) balance.type1_value = value;
    if (value == balance.type1_value) continue;
    if (balance.type2_value.empty()) balance.type2_value = value;
    if (value == balance.type2_value) {
      types[static_cast<size_t>(p)] = 2;
      continue;
    }
    std::string message = "the balance column \"" + balance.header;
    message += "\" holds \"" + value;
    message += "\", a third value; expected " + expected;
    message += " (balance takes a column of at most two values).";
    return RosterError(p, message);
  }
  plan_.balance = balance;
  return Status::Ok();
}

Status Builder::Weighted(const MixColumnWeight& given, bool pack,
                         std::vector<WeightedCodes>& columns) {
  int column = 0;
  const std::string key = "[" + std::string(pack ? "pack" : "spread") + "]";
  if (Status s = FindColumn(given.column, given.line, key, column); !s.ok()) return s;
  for (const MixColumn& earlier : plan_.columns) {
    if (earlier.header == given.column) {
      return MixError(given.line, "the column \"" + given.column +
                                      "\" is in both [spread] and [pack]; expected it in one.");
    }
  }
  MixColumn out;
  out.header = given.column;
  out.pack = pack;
  out.weight = pack ? -given.weight : given.weight;
  out.data_column = 2 + static_cast<int>(plan_.columns.size());
  std::map<std::string, int32_t> code_of;
  std::vector<int> holders;
  WeightedCodes codes{std::vector<int32_t>(static_cast<size_t>(n_), 0), out.weight};
  for (int p = 0; p < n_; ++p) {
    const std::string& label = roster_.cells[static_cast<size_t>(p)][static_cast<size_t>(column)];
    if (label.empty()) continue;
    auto [it, added] = code_of.emplace(label, static_cast<int32_t>(out.labels.size() + 1));
    if (added) {
      out.labels.push_back(label);
      holders.push_back(0);
    }
    codes.codes[static_cast<size_t>(p)] = it->second;
    ++holders[static_cast<size_t>(it->second - 1)];
  }
  for (size_t k = 0; k < holders.size(); ++k) {
    if (holders[k] < 2 || holders[k] <= n_ / 2) continue;
    out.majority_label = out.labels[k];
    out.majority_ignored = given.ignore_majority;
    if (given.ignore_majority) {
      for (int32_t& code : codes.codes) {
        if (code == static_cast<int32_t>(k + 1)) code = 0;
      }
    }
  }
  columns.push_back(std::move(codes));
  plan_.columns.push_back(std::move(out));
  return Status::Ok();
}

Status Builder::FindPerson(const std::string& name, int line, int& person) const {
  const std::string wanted(Trim(name));
  std::vector<int> matches;
  for (int p = 0; p < n_; ++p) {
    if (plan_.names[static_cast<size_t>(p)] == wanted) matches.push_back(p);
  }
  if (matches.size() == 1) {
    person = matches[0];
    return Status::Ok();
  }
  if (matches.empty()) {
    return MixError(line, "the rule names \"" + name + "\", who matches no row of " + roster_name_ +
                              " in the column \"" + *plan_.name_column +
                              "\"; expected a name such as " +
                              QuotedChoice(ClosestNames(wanted, plan_.names)) + ".");
  }
  std::string lines;
  for (size_t i = 0; i < matches.size(); ++i) {
    lines += (i == 0                    ? ""
              : i + 1 == matches.size() ? " and "
                                        : ", ") +
             std::to_string(roster_.lines[static_cast<size_t>(matches[i])]);
  }
  return MixError(line, "the rule names \"" + name + "\", who matches several rows of " +
                            roster_name_ + ", on lines " + lines +
                            "; expected a name that only one row holds.");
}

Status Builder::Rules(std::vector<RuleMembers>& rules) {
  if (mix_.rules.empty()) return Status::Ok();
  if (!plan_.name_column) {
    return MixError(mix_.rules.front().line,
                    "rules name persons, but the mix file names no column for names; expected "
                    "name = \"COLUMN\".");
  }
  for (const MixRuleNames& given : mix_.rules) {
    RuleMembers members{given.apart, {}};
    MixRule rule;
    rule.apart = given.apart;
    rule.names = given.names;
    for (const std::string& name : given.names) {
      int person = 0;
      if (Status s = FindPerson(name, given.line, person); !s.ok()) return s;
      if (std::find(members.persons.begin(), members.persons.end(), person) !=
          members.persons.end()) {
        return MixError(given.line, "the rule names \"" + name +
                                        "\" twice; expected every person once in a rule.");
      }
      members.persons.push_back(person);
      rule.persons.push_back(person + 1);
    }
    rules.push_back(std::move(members));
    plan_.rules.push_back(std::move(rule));
  }
  return Status::Ok();
}

Status Builder::Build(Model& model) {
  n_ = roster_.PersonCount();
  if (n_ < 2) {
    return Status::Error(roster_name_ +
                         ": found 1 person; expected at least 2 rows below the "
                         "header, one per person.");
  }
  plan_.header = roster_.header;
  plan_.rows = roster_.cells;
  if (mix_.name_column) {
    int column = 0;
    if (Status s = FindColumn(*mix_.name_column, mix_.name_line, "name", column); !s.ok()) {
      return s;
    }
    plan_.name_column = mix_.name_column;
    for (const auto& row : roster_.cells) plan_.names.push_back(row[static_cast<size_t>(column)]);
  } else {
    for (int p = 1; p <= n_; ++p) plan_.names.push_back("person " + std::to_string(p));
  }

  const int64_t groups =
      mix_.groups ? *mix_.groups : (int64_t{n_} + *mix_.group_size - 1) / *mix_.group_size;
  if (groups > n_) {
    return MixError(mix_.groups_line,
                    StringPrintf("%s asks for %lld groups, but %s has %d persons; expected at "
                                 "most %d groups.",
                                 mix_.groups ? "groups" : "group_size",
                                 static_cast<long long>(groups), roster_name_.c_str(), n_, n_));
  }

  std::vector<int32_t> types;
  if (Status s = Balance(types); !s.ok()) return s;
  std::vector<WeightedCodes> columns;
  for (const MixColumnWeight& given : mix_.spread) {
    if (Status s = Weighted(given, false, columns); !s.ok()) return s;
  }
  for (const MixColumnWeight& given : mix_.pack) {
    if (Status s = Weighted(given, true, columns); !s.ok()) return s;
  }
  std::vector<RuleMembers> rules;
  if (Status s = Rules(rules); !s.ok()) return s;
  RuleLayout layout = LayOutRules(rules, n_);
  if (Status s = WeighRules(columns, rules, plan_.names, layout); !s.ok()) {
    return Status::Error(mix_name_ + ": " + s.message());
  }
  const int first_rule_column = 2 + static_cast<int>(columns.size());
  for (size_t r = 0; r < plan_.rules.size(); ++r) {
    const auto column = static_cast<size_t>(layout.column_of_rule[r]);
    plan_.rules[r].data_column = first_rule_column + static_cast<int>(column);
    plan_.rules[r].weight = static_cast<int32_t>(layout.columns[column].weight);
  }
  columns.insert(columns.end(), layout.columns.begin(), layout.columns.end());

  Parameters& params = model.params;
  params.PersonCount = n_;
  params.ColumnCount = 2 + static_cast<int32_t>(columns.size());
  params.TypeMode = mix_.balance ? 1 : 3;  // dealt in turn, never in blocks
  params.GroupCount = static_cast<int32_t>(groups);
  if (mix_.plan) {
    params.RunCount = mix_.plan->runs;
    params.StagesPerRun = mix_.plan->stages;
    params.FocusCycles = mix_.plan->focus;
    params.SpreadCycles = mix_.plan->spread;
  } else {
    params.RunCount = kDefaultRuns;
    params.StagesPerRun = kDefaultStages;
    params.FocusCycles = kDefaultFocus;
    params.SpreadCycles = kDefaultSpread;
  }
  plan_.seed = mix_.seed;
  plan_.time_limit_ms = mix_.time_limit_ms;
  plan_.search = mix_.search;
  plan_.plan_given = mix_.plan.has_value();
  if (!plan_.time_limit_ms && !mix_.plan) plan_.time_limit_ms = kDefaultTimeLimitMs;

  if (!model.DataTable.Allocate(static_cast<size_t>(n_) + 1, columns.size() + 2)) {
    return Status::Error(StringPrintf("%s: not enough memory for the data of %d persons.",
                                      roster_name_.c_str(), n_));
  }
  // A rule's members share a group however many they are: its column is never turned around.
  model.KeepsMajority.assign(columns.size() + 2, 0);
  for (size_t c = 0; c < columns.size(); ++c) {
    const int column = static_cast<int>(c) + 2;
    model.DataTable(0, column) = static_cast<int32_t>(columns[c].weight);
    model.KeepsMajority[c + 2] = column >= first_rule_column ? 1 : 0;
    for (int p = 0; p < n_; ++p) {
      model.DataTable(p + 1, column) = columns[c].codes[static_cast<size_t>(p)];
    }
  }
  for (int p = 0; p < n_; ++p) {
    model.DataTable(p + 1, 0) = p + 1;
    model.DataTable(p + 1, 1) = types[static_cast<size_t>(p)];
  }
  return Status::Ok();
}

}  // namespace

Status BuildMix(const MixFile& mix, const Roster& roster, const std::string& mix_name,
                const std::string& roster_name, MixPlan& plan, Model& model) {
  plan = MixPlan{};
  model = Model{};
  Builder builder(mix, roster, mix_name, roster_name, plan);
  return builder.Build(model);
}

std::string FormatParametersText(const Parameters& p) {
  return StringPrintf("%d\n%d\n%d\n%d\n%d\n%d\n%d\n%d\n", p.PersonCount, p.ColumnCount, p.TypeMode,
                      p.GroupCount, p.RunCount, p.StagesPerRun, p.FocusCycles, p.SpreadCycles);
}

std::string FormatDataText(const Model& model) {
  std::string text;
  for (int row = 0; row <= model.PersonCount(); ++row) {
    for (int c = 0; c < model.ColumnCount(); ++c) {
      if (c > 0) text += '\t';
      text += std::to_string(model.DataTable(row, c));
    }
    text += '\n';
  }
  return text;
}

}  // namespace quorvale
