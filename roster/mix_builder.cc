// From a mix to the numbers: labels become codes 1..K in order of first appearance, an empty
// cell no category, person p is roster row p; rules get columns of their own after the
// weighted columns.
#include "roster/mix_builder.h"

#include <algorithm>
#include <map>
#include <optional>

#include "base/format.h"
#include "roster/closest_names.h"
#include "roster/mix_rules.h"
#include "roster/mix_wishes.h"
#include "roster/person_names.h"
#include "roster/rule_columns.h"

namespace quorvale {

namespace {

class Builder {
 public:
  Builder(const MixFile& mix, const Roster& roster, const std::string& mix_name,
          const std::string& roster_name, MixPlan& plan)
      : mix_(mix),
        roster_(roster),
        mix_name_(mix_name),
        roster_name_(roster_name),
        plan_(plan),
        wishes_{mix, roster, mix_name, roster_name} {}
  Status Build(Model& model);

 private:
  Status MixError(int line, const std::string& message) const {
    if (line <= 0) return Status::Error(mix_name_ + ": " + message);
    return Status::Error(StringPrintf("%s, line %d: %s", mix_name_.c_str(), line, message.c_str()));
  }
  Status Names();
  Status Groups(int32_t& groups);
  Status Weighted(const MixColumnWeight& given, bool pack, std::vector<WeightedCodes>& columns);
  Status Rules(std::vector<RuleMembers>& rules);
  // Pins beyond a group's size, or against a rule.
  Status PinConflicts(int32_t groups) const;
  void Rounds(Model& model) const;

  const MixFile& mix_;
  const Roster& roster_;
  const std::string& mix_name_;
  const std::string& roster_name_;
  MixPlan& plan_;
  WishContext wishes_;
  std::optional<PersonNames> names_;
  std::vector<int32_t> sizes_;  // per group 1..G (index 0 unused); empty: N / G each, as dealt
  int n_ = 0;
};

Status Builder::Names() {
  if (!mix_.name_column) {
    for (int p = 1; p <= n_; ++p) plan_.names.push_back("person " + std::to_string(p));
    return Status::Ok();
  }
  int column = 0;
  if (Status s = FindRosterColumn(wishes_, *mix_.name_column, mix_.name_line, "name", column);
      !s.ok()) {
    return s;
  }
  plan_.name_column = mix_.name_column;
  for (const auto& row : roster_.cells) plan_.names.push_back(row[static_cast<size_t>(column)]);
  names_.emplace(plan_.names);
  // Such rows run, but no rule can name them.
  for (const auto& [name, rows] : names_->Duplicates()) {
    std::string lines;
    for (size_t i = 0; i < rows.size(); ++i) {
      lines += (i == 0                 ? ""
                : i + 1 == rows.size() ? " and "
                                       : ", ") +
               std::to_string(roster_.lines[static_cast<size_t>(rows[i])]);
    }
    std::string warning = roster_name_ + ": the name \"" + name;
    warning += "\" is held by the rows on lines " + lines;
    warning += "; a rule cannot name them.";
    plan_.warnings.push_back(warning);
  }
  for (const int row : names_->Unnamed()) {
    plan_.warnings.push_back(StringPrintf(
        "%s, line %d: the row has no name in the column \"%s\"; "
        "a rule cannot name it.",
        roster_name_.c_str(), roster_.lines[static_cast<size_t>(row)], mix_.name_column->c_str()));
  }
  return Status::Ok();
}

Status Builder::Groups(int32_t& groups) {
  const int64_t count =
      mix_.groups ? *mix_.groups : (int64_t{n_} + *mix_.group_size - 1) / *mix_.group_size;
  if (count > n_) {
    return MixError(mix_.groups_line,
                    StringPrintf("%s asks for %lld groups, but %s has %d persons; expected at "
                                 "most %d groups.",
                                 mix_.groups ? "groups" : "group_size",
                                 static_cast<long long>(count), roster_name_.c_str(), n_, n_));
  }
  groups = static_cast<int32_t>(count);
  for (const std::string& name : mix_.group_names) plan_.group_names.emplace_back(Trim(name));
  if (mix_.sizes.empty()) return Status::Ok();
  int64_t sum = 0;
  for (const int32_t size : mix_.sizes) sum += size;
  if (sum != n_) {
    return MixError(mix_.sizes_line,
                    StringPrintf("the sizes add up to %lld, but %s has %d persons to place; "
                                 "expected sizes that add up to %d.",
                                 static_cast<long long>(sum), roster_name_.c_str(), n_, n_));
  }
  sizes_.assign(1, 0);
  sizes_.insert(sizes_.end(), mix_.sizes.begin(), mix_.sizes.end());
  return Status::Ok();
}

Status Builder::Weighted(const MixColumnWeight& given, bool pack,
                         std::vector<WeightedCodes>& columns) {
  int column = 0;
  const std::string key = "[" + std::string(pack ? "pack" : "spread") + "]";
  if (Status s = FindRosterColumn(wishes_, given.column, given.line, key, column); !s.ok()) {
    return s;
  }
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

Status Builder::Rules(std::vector<RuleMembers>& rules) {
  const bool any = !mix_.rules.empty() || mix_.together_column || mix_.apart_column;
  if (!any) return Status::Ok();
  if (!plan_.name_column) {
    const int line = !mix_.rules.empty()    ? mix_.rules.front().line
                     : mix_.together_column ? mix_.together_column->line
                                            : mix_.apart_column->line;
    return MixError(line,
                    "rules name persons, but the mix file names no column for names; expected "
                    "name = \"COLUMN\".");
  }
  const RuleContext context{
      mix_, roster_, *names_, mix_name_, roster_name_, *plan_.name_column, plan_.names};
  if (Status s = CollectRules(context, plan_.rules); !s.ok()) return s;
  for (const MixRule& rule : plan_.rules) {
    RuleMembers members{rule.apart, {}};
    for (const int person : rule.persons) members.persons.push_back(person - 1);
    rules.push_back(std::move(members));
  }
  return Status::Ok();
}

Status Builder::PinConflicts(int32_t groups) const {
  const auto group_name = [&](int32_t g) {
    return plan_.group_names.empty() ? StringPrintf("%d", g)
                                     : "\"" + plan_.group_names[static_cast<size_t>(g - 1)] + "\"";
  };
  for (int32_t g = 1; g <= groups; ++g) {
    std::vector<std::string> pinned;
    for (int p = 1; p <= n_; ++p) {
      if (plan_.pins[static_cast<size_t>(p)] == g) pinned.push_back(plan_.names[size_t(p - 1)]);
    }
    const int32_t size =
        sizes_.empty() ? n_ / groups + (g <= n_ % groups ? 1 : 0) : sizes_[static_cast<size_t>(g)];
    if (static_cast<int32_t>(pinned.size()) > size) {
      std::string listed;
      for (size_t i = 0; i < pinned.size(); ++i) {
        listed += (i == 0                   ? ""
                   : i + 1 == pinned.size() ? " and "
                                            : ", ") +
                  ("\"" + pinned[i] + "\"");
      }
      return MixError(mix_.pin_column->line,
                      StringPrintf("%zu persons are pinned to group %s, which holds %d: ",
                                   pinned.size(), group_name(g).c_str(), size) +
                          listed + StringPrintf("; expected at most %d.", size));
    }
  }
  for (const MixRule& rule : plan_.rules) {
    for (size_t a = 0; a < rule.persons.size(); ++a) {
      for (size_t b = a + 1; b < rule.persons.size(); ++b) {
        const int32_t ga = plan_.pins[static_cast<size_t>(rule.persons[a])];
        const int32_t gb = plan_.pins[static_cast<size_t>(rule.persons[b])];
        if (ga == 0 || gb == 0 || (rule.apart ? ga != gb : ga == gb)) continue;
        return MixError(mix_.pin_column->line,
                        "\"" + rule.names[a] + "\" is pinned to group " + group_name(ga) +
                            " and \"" + rule.names[b] + "\" to group " + group_name(gb) + ", but " +
                            RuleOrigin(rule) +
                            (rule.apart ? " keeps them apart" : " keeps them together") +
                            "; expected pins that the rules allow.");
      }
    }
  }
  return Status::Ok();
}

void Builder::Rounds(Model& model) const {
  if (plan_.rounds <= 1) return;
  model.Rounds = plan_.rounds;
  model.RepeatWeight = plan_.repeat_weight;
  // Rules that share a person keep all their persons in one group: Ann with Bo and Bo with Cy
  // put Ann with Cy too, so every pair of such a set meets every round by wish.
  std::vector<int32_t> set_of(static_cast<size_t>(n_) + 1);
  for (int32_t p = 0; p <= n_; ++p) set_of[static_cast<size_t>(p)] = p;
  const auto find = [&](int32_t p) {
    while (set_of[static_cast<size_t>(p)] != p) p = set_of[static_cast<size_t>(p)];
    return p;
  };
  for (const MixRule& rule : plan_.rules) {
    if (rule.apart) continue;
    for (const int32_t person : rule.persons) {
      set_of[static_cast<size_t>(find(person))] = find(rule.persons.front());
    }
  }
  std::map<int32_t, std::vector<int32_t>> sets;
  for (int32_t p = 1; p <= n_; ++p) sets[find(p)].push_back(p);
  for (const auto& [root, persons] : sets) {
    for (size_t a = 0; a < persons.size(); ++a) {
      for (size_t b = a + 1; b < persons.size(); ++b) {
        model.RepeatExempt.emplace_back(persons[a], persons[b]);
      }
    }
  }
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
  plan_.lines = roster_.lines;
  if (Status s = Names(); !s.ok()) return s;
  int32_t groups = 0;
  if (Status s = Groups(groups); !s.ok()) return s;

  std::vector<int32_t> types;
  if (Status s = ReadBalance(wishes_, types, plan_.balance); !s.ok()) return s;
  std::vector<WeightedCodes> columns;
  for (const MixColumnWeight& given : mix_.spread) {
    if (Status s = Weighted(given, false, columns); !s.ok()) return s;
  }
  for (const MixColumnWeight& given : mix_.pack) {
    if (Status s = Weighted(given, true, columns); !s.ok()) return s;
  }
  std::vector<RuleMembers> rules;
  if (Status s = Rules(rules); !s.ok()) return s;
  if (Status s = ReadPins(wishes_, groups, plan_.group_names, plan_.pins); !s.ok()) return s;
  if (Status s = PinConflicts(groups); !s.ok()) return s;
  if (Status s = ReadBuddies(wishes_, plan_.buddies, model.Buddies); !s.ok()) return s;
  if (Status s = ReadAverages(wishes_, plan_.averages, model.Averages); !s.ok()) return s;
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
  // A repeated meeting weighs like a shared category of the strongest column by default.
  int32_t strongest = 0;
  for (const auto* list : {&mix_.spread, &mix_.pack, &mix_.buddy, &mix_.average}) {
    for (const MixColumnWeight& given : *list) strongest = std::max(strongest, given.weight);
  }
  plan_.rounds = mix_.rounds.value_or(1);
  plan_.repeat_weight = mix_.repeat_weight.value_or(strongest > 0 ? strongest : 100);
  columns.insert(columns.end(), layout.columns.begin(), layout.columns.end());

  Parameters& params = model.params;
  params.PersonCount = n_;
  params.ColumnCount = 2 + static_cast<int32_t>(columns.size());
  params.TypeMode = mix_.balance ? 1 : 3;  // dealt in turn, never in blocks
  params.GroupCount = groups;
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
  // Two balance values without blanks are the data files' two types, dealt in turn. More
  // values, blanks, sizes or pins are dealt by shares, which only the model can state.
  const int32_t values = plan_.balance ? static_cast<int32_t>(plan_.balance->values.size()) : 1;
  const bool blank = plan_.balance &&
                     std::count(plan_.balance->values.begin(), plan_.balance->values.end(), "") > 0;
  const bool pinned =
      std::any_of(plan_.pins.begin(), plan_.pins.end(), [](int32_t g) { return g > 0; });
  if (values > 2 || blank || !sizes_.empty() || pinned) {
    model.BalanceTypes = values;
    model.GroupSizes = sizes_;
    if (pinned) model.PinnedGroup = plan_.pins;
  }
  Rounds(model);
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
