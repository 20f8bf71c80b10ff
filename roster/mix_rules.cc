// Rules from lists and from columns.
#include "roster/mix_rules.h"

#include <algorithm>

#include "base/format.h"
#include "roster/closest_names.h"

namespace quorvale {

namespace {

std::string Lines(const Roster& roster, const std::vector<int>& rows) {
  std::string text;
  for (size_t i = 0; i < rows.size(); ++i) {
    text += (i == 0                 ? ""
             : i + 1 == rows.size() ? " and "
                                    : ", ") +
            std::to_string(roster.lines[static_cast<size_t>(rows[i])]);
  }
  return text;
}

bool Holds(const MixRule& rule, int a, int b) {
  return std::count(rule.persons.begin(), rule.persons.end(), a) > 0 &&
         std::count(rule.persons.begin(), rule.persons.end(), b) > 0;
}

class Collector {
 public:
  Collector(const RuleContext& context, std::vector<MixRule>& rules) : c_(context), rules_(rules) {}
  Status Lists(bool apart);
  Status Column(bool apart);
  Status Conflicts() const;

 private:
  // `where` begins the message: "m.toml, line 12: the rule names" or "r.csv, line 7: the column
  // \"Keep with\" names".
  Status Find(const std::string& name, const std::string& where, int& person) const;

  const RuleContext& c_;
  std::vector<MixRule>& rules_;
};

Status Collector::Find(const std::string& name, const std::string& where, int& person) const {
  const PersonNames::Match match = c_.names.Find(name);
  if (match.person >= 0) {
    person = match.person;
    return Status::Ok();
  }
  if (match.rows.empty()) {
    return Status::Error(where + " \"" + name + "\", who matches no row of " + c_.roster_name +
                         " in the column \"" + c_.name_column + "\"; expected a name such as " +
                         QuotedChoice(c_.names.Closest(name)) + ".");
  }
  return Status::Error(where + " \"" + name + "\", who matches several rows of " + c_.roster_name +
                       ", on lines " + Lines(c_.roster, match.rows) +
                       "; expected a name that only one row holds.");
}

Status Collector::Lists(bool apart) {
  for (const MixRuleNames& given : c_.mix.rules) {
    if (given.apart != apart) continue;
    const std::string where =
        StringPrintf("%s, line %d: the rule names", c_.mix_name.c_str(), given.line);
    MixRule rule;
    rule.apart = apart;
    rule.names = given.names;
    rule.source = StringPrintf("%s, line %d", c_.mix_name.c_str(), given.line);
    for (const std::string& name : given.names) {
      int person = 0;
      if (Status s = Find(name, where, person); !s.ok()) return s;
      if (std::count(rule.persons.begin(), rule.persons.end(), person + 1) > 0) {
        return Status::Error(
            StringPrintf("%s, line %d: the rule names \"%s\" twice; expected "
                         "every person once in a rule.",
                         c_.mix_name.c_str(), given.line, name.c_str()));
      }
      rule.persons.push_back(person + 1);
    }
    rules_.push_back(std::move(rule));
  }
  return Status::Ok();
}

Status Collector::Column(bool apart) {
  const std::optional<MixRuleColumn>& given = apart ? c_.mix.apart_column : c_.mix.together_column;
  if (!given) return Status::Ok();
  const int column = c_.roster.ColumnIndex(given->column);
  if (column < 0) {
    return Status::Error(StringPrintf(
        "%s, line %d: %s_column names the column \"%s\", which %s does not have; expected one of "
        "its header's names, such as %s.",
        c_.mix_name.c_str(), given->line, apart ? "apart" : "together", given->column.c_str(),
        c_.roster_name.c_str(),
        QuotedChoice(ClosestNames(given->column, c_.roster.header)).c_str()));
  }
  for (size_t row = 0; row < c_.roster.cells.size(); ++row) {
    const std::string& cell = c_.roster.cells[row][static_cast<size_t>(column)];
    const int self = static_cast<int>(row) + 1;
    const std::string where =
        StringPrintf("%s, line %d: the column \"%s\" names", c_.roster_name.c_str(),
                     c_.roster.lines[row], given->column.c_str());
    size_t from = 0;
    while (from <= cell.size()) {
      size_t end = cell.find(';', from);
      if (end == std::string::npos) end = cell.size();
      const std::string name(Trim(std::string_view(cell).substr(from, end - from)));
      from = end + 1;
      if (name.empty()) continue;
      int person = 0;
      if (Status s = Find(name, where, person); !s.ok()) return s;
      const int other = person + 1;
      if (other == self) continue;  // the row's own person is with itself anyway
      // The same pair twice, or a pair a rule of its kind holds already, is one rule.
      if (std::any_of(rules_.begin(), rules_.end(), [&](const MixRule& rule) {
            return rule.apart == apart && Holds(rule, self, other);
          })) {
        continue;
      }
      MixRule rule;
      rule.apart = apart;
      rule.persons = {self, other};
      rule.names = {c_.shown[static_cast<size_t>(self - 1)], name};
      rule.source = StringPrintf("%s, line %d, column \"%s\"", c_.roster_name.c_str(),
                                 c_.roster.lines[row], given->column.c_str());
      rules_.push_back(std::move(rule));
    }
  }
  return Status::Ok();
}

Status Collector::Conflicts() const {
  for (const MixRule& together : rules_) {
    if (together.apart) continue;
    for (const MixRule& apart : rules_) {
      if (!apart.apart) continue;
      for (size_t a = 0; a < together.persons.size(); ++a) {
        for (size_t b = a + 1; b < together.persons.size(); ++b) {
          if (!Holds(apart, together.persons[a], together.persons[b])) continue;
          return Status::Error("\"" + together.names[a] + "\" and \"" + together.names[b] +
                               "\" are to be together (" + RuleOrigin(together) + ") and apart (" +
                               RuleOrigin(apart) + "); expected each pair in one kind of rule.");
        }
      }
    }
  }
  return Status::Ok();
}

}  // namespace

std::string RuleOrigin(const MixRule& rule) {
  return std::string(rule.apart ? "the apart rule of " : "the together rule of ") + rule.source;
}

Status CollectRules(const RuleContext& context, std::vector<MixRule>& rules) {
  rules.clear();
  Collector collector(context, rules);
  for (const bool apart : {true, false}) {
    if (Status s = collector.Lists(apart); !s.ok()) return s;
    if (Status s = collector.Column(apart); !s.ok()) return s;
  }
  return collector.Conflicts();
}

}  // namespace quorvale
