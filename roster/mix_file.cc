// Mix file reading with toml++: every key is looked at once, and any key left over is refused.
#include "roster/mix_file.h"

#include <toml++/toml.h>
#include <algorithm>

#include "base/duration.h"
#include "base/format.h"
#include "model/model.h"
#include "roster/roster_csv.h"

namespace quorvale {

namespace {

constexpr int64_t kMaxWeight = 32767;
constexpr int64_t kMaxCount = 2147483647;

class MixReader {
 public:
  MixReader(const std::string& file_name, MixFile& mix) : file_(file_name), mix_(mix) {}
  Status Read(const toml::table& root);

 private:
  Status Error(const toml::node& node, const std::string& message) const {
    return Status::Error(StringPrintf("%s, line %d: %s", file_.c_str(),
                                      static_cast<int>(node.source().begin.line), message.c_str()));
  }
  Status Integer(const toml::node& node, const std::string& key, int64_t low, int64_t high,
                 int64_t& value) const;
  Status Text(const toml::node& node, const std::string& key, std::string& value) const;
  Status Columns(const toml::node& node, const std::string& table,
                 std::vector<MixColumnWeight>& out) const;
  // A list of texts, such as the group names or the values a buddy column ignores.
  Status Texts(const toml::node& node, const std::string& key, std::vector<std::string>& out) const;
  Status Groups(const toml::node& node);
  Status Sizes(const toml::node& node);
  Status Rules(const toml::node& node);
  Status Plan(const toml::node& node);

  const std::string& file_;
  MixFile& mix_;
};

std::string Kind(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      return "text";
    case toml::node_type::integer:
      return "a whole number";
    case toml::node_type::floating_point:
      return "a number with a decimal point";
    case toml::node_type::boolean:
      return "true or false";
    case toml::node_type::array:
      return "a list";
    case toml::node_type::table:
      return "a table";
    default:
      return "a date or time";
  }
}

Status MixReader::Integer(const toml::node& node, const std::string& key, int64_t low, int64_t high,
                          int64_t& value) const {
  const std::optional<int64_t> number = node.value_exact<int64_t>();
  if (!number) {
    return Error(node, StringPrintf("%s is %s; expected a whole number from %lld to %lld.",
                                    key.c_str(), Kind(node).c_str(), static_cast<long long>(low),
                                    static_cast<long long>(high)));
  }
  if (*number < low || *number > high) {
    return Error(node, StringPrintf("%s is %lld; expected a whole number from %lld to %lld.",
                                    key.c_str(), static_cast<long long>(*number),
                                    static_cast<long long>(low), static_cast<long long>(high)));
  }
  value = *number;
  return Status::Ok();
}

Status MixReader::Text(const toml::node& node, const std::string& key, std::string& value) const {
  const std::optional<std::string> text = node.value_exact<std::string>();
  if (!text) {
    return Error(node, key + " is " + Kind(node) + "; expected text in quotes.");
  }
  value = *text;
  return Status::Ok();
}

// Keys of a table in the order the file gives them (toml++ keeps them sorted by name).
std::vector<std::pair<std::string, const toml::node*>> InFileOrder(const toml::table& table) {
  std::vector<std::pair<std::string, const toml::node*>> entries;
  for (const auto& [key, node] : table) entries.emplace_back(std::string(key.str()), &node);
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    const auto& pa = a.second->source().begin;
    const auto& pb = b.second->source().begin;
    return pa.line != pb.line ? pa.line < pb.line : pa.column < pb.column;
  });
  return entries;
}

Status MixReader::Columns(const toml::node& node, const std::string& table,
                          std::vector<MixColumnWeight>& out) const {
  const toml::table* columns = node.as_table();
  if (columns == nullptr) {
    return Error(node, "[" + table + "] is " + Kind(node) +
                           "; expected a table of column names with their weights.");
  }
  for (const auto& [name, value] : InFileOrder(*columns)) {
    MixColumnWeight column;
    column.column = name;
    column.line = static_cast<int>(value->source().begin.line);
    std::string key = "\"" + name;
    key += "\" in [" + table + "]";
    int64_t weight = 0;
    // What the table form takes besides the weight.
    const char* option = table == "buddy" ? "ignore" : table == "average" ? nullptr : "majority";
    if (const toml::table* form = value->as_table(); form != nullptr) {
      const toml::node* weight_node = form->get("weight");
      if (weight_node == nullptr) {
        return Error(*value, key + " has no weight; expected { weight = 100 } or a weight alone.");
      }
      for (const auto& [inner, inner_value] : *form) {
        if (inner == "weight") {
          if (Status s = Integer(inner_value, "the weight of " + key, 1, kMaxWeight, weight);
              !s.ok())
            return s;
        } else if (option != nullptr && inner == "ignore" && inner == option) {
          if (Status s = Texts(inner_value, "the ignore list of " + key, column.ignore); !s.ok())
            return s;
        } else if (option != nullptr && inner == "majority" && inner == option) {
          std::string choice;
          if (Status s = Text(inner_value, "the majority of " + key, choice); !s.ok()) return s;
          if (choice != "ignore" && choice != "turn") {
            std::string message = "the majority of " + key;
            message += " is \"" + choice + "\"; expected \"ignore\" or \"turn\".";
            return Error(inner_value, message);
          }
          column.ignore_majority = choice == "ignore";
        } else {
          return Error(inner_value, "unknown key \"" + std::string(inner.str()) + "\" in " + key +
                                        "; expected weight" +
                                        (option != nullptr ? std::string(" or ") + option : "") +
                                        ".");
        }
      }
    } else if (Status s = Integer(*value, key, 1, kMaxWeight, weight); !s.ok()) {
      return s;
    }
    column.weight = static_cast<int32_t>(weight);
    out.push_back(std::move(column));
  }
  return Status::Ok();
}

Status MixReader::Rules(const toml::node& node) {
  const toml::table* rules = node.as_table();
  if (rules == nullptr) {
    return Error(node, "[rules] is " + Kind(node) + "; expected a table with apart and together.");
  }
  for (const char* kind : {"apart", "together"}) {
    const toml::node* list = rules->get(kind);
    if (list == nullptr) continue;
    const std::string key = std::string(kind) + " in [rules]";
    const toml::array* groups = list->as_array();
    if (groups == nullptr) {
      return Error(*list, key + " is " + Kind(*list) +
                              "; expected a list of lists of names, such as [[\"Ann\", \"Bo\"]].");
    }
    for (const toml::node& group : *groups) {
      const toml::array* names = group.as_array();
      if (names == nullptr) {
        return Error(group, "a rule of " + key + " is " + Kind(group) +
                                "; expected a list of names, such as [\"Ann\", \"Bo\"].");
      }
      MixRuleNames rule;
      rule.apart = std::string_view(kind) == "apart";
      rule.line = static_cast<int>(group.source().begin.line);
      for (const toml::node& name : *names) {
        std::string text;
        if (Status s = Text(name, "a name in a rule of " + key, text); !s.ok()) return s;
        rule.names.push_back(text);
      }
      if (rule.names.size() < 2) {
        return Error(
            group, StringPrintf("a rule of %s names %zu person%s; expected at least 2.",
                                key.c_str(), rule.names.size(), rule.names.size() == 1 ? "" : "s"));
      }
      mix_.rules.push_back(std::move(rule));
    }
  }
  struct ColumnKey {
    const char* key;
    std::optional<MixRuleColumn> MixFile::*member;
  };
  static constexpr ColumnKey kColumnKeys[] = {{"together_column", &MixFile::together_column},
                                              {"apart_column", &MixFile::apart_column},
                                              {"pin_column", &MixFile::pin_column}};
  for (const auto& [key, value] : *rules) {
    if (key == "apart" || key == "together") continue;
    const ColumnKey* column_key = nullptr;
    for (const ColumnKey& known : kColumnKeys) {
      if (key == known.key) column_key = &known;
    }
    if (column_key == nullptr) {
      return Error(value, "unknown key \"" + std::string(key.str()) +
                              "\" in [rules]; expected apart, together, together_column, "
                              "apart_column or pin_column.");
    }
    MixRuleColumn column;
    column.line = static_cast<int>(value.source().begin.line);
    if (Status s = Text(value, std::string(key.str()) + " in [rules]", column.column); !s.ok()) {
      return s;
    }
    mix_.*(column_key->member) = column;
  }
  return Status::Ok();
}

Status MixReader::Texts(const toml::node& node, const std::string& key,
                        std::vector<std::string>& out) const {
  const toml::array* list = node.as_array();
  if (list == nullptr) {
    return Error(node, key + " is " + Kind(node) + "; expected a list of texts, such as [\"A\"].");
  }
  for (const toml::node& item : *list) {
    std::string text;
    if (Status s = Text(item, "an entry of " + key, text); !s.ok()) return s;
    out.push_back(text);
  }
  return Status::Ok();
}

Status MixReader::Groups(const toml::node& node) {
  mix_.groups_line = static_cast<int>(node.source().begin.line);
  if (!node.is_array()) {
    int64_t number = 0;
    if (Status s = Integer(node, "groups", 1, kMaxCount, number); !s.ok()) {
      return node.is_integer() ? s
                               : Error(node, "groups is " + Kind(node) +
                                                 "; expected a number of groups or a list of "
                                                 "their names, such as [\"Otters\", \"Herons\"].");
    }
    mix_.groups = static_cast<int32_t>(number);
    return Status::Ok();
  }
  if (Status s = Texts(node, "groups", mix_.group_names); !s.ok()) return s;
  for (size_t g = 0; g < mix_.group_names.size(); ++g) {
    if (Trim(mix_.group_names[g]).empty()) {
      return Error(
          node, StringPrintf("group %zu of groups has no name; expected a name for each.", g + 1));
    }
    for (size_t h = 0; h < g; ++h) {
      if (Trim(mix_.group_names[h]) == Trim(mix_.group_names[g])) {
        return Error(node, "groups names \"" + std::string(Trim(mix_.group_names[g])) +
                               "\" twice; expected every group's name once.");
      }
    }
  }
  if (mix_.group_names.empty()) {
    return Error(node, "groups is an empty list; expected the names of the groups.");
  }
  mix_.groups = static_cast<int32_t>(mix_.group_names.size());
  return Status::Ok();
}

Status MixReader::Sizes(const toml::node& node) {
  mix_.sizes_line = static_cast<int>(node.source().begin.line);
  const toml::array* list = node.as_array();
  if (list == nullptr || list->empty()) {
    return Error(node, "sizes is " + (list == nullptr ? Kind(node) : std::string("an empty list")) +
                           "; expected each group's size, such as [25, 22, 21].");
  }
  for (const toml::node& item : *list) {
    int64_t size = 0;
    if (Status s = Integer(item, "a size in sizes", 1, kMaxCount, size); !s.ok()) return s;
    mix_.sizes.push_back(static_cast<int32_t>(size));
  }
  return Status::Ok();
}

Status MixReader::Plan(const toml::node& node) {
  const toml::table* plan = node.as_table();
  if (plan == nullptr) {
    return Error(node, "[plan] is " + Kind(node) +
                           "; expected a table with runs, stages, focus and spread.");
  }
  MixPlanNumbers numbers;
  struct Field {
    const char* key;
    int32_t MixPlanNumbers::*member;
    int64_t low;
  };
  static constexpr Field kFields[] = {{"runs", &MixPlanNumbers::runs, 0},
                                      {"stages", &MixPlanNumbers::stages, 1},
                                      {"focus", &MixPlanNumbers::focus, 0},
                                      {"spread", &MixPlanNumbers::spread, 0}};
  for (const Field& field : kFields) {
    const toml::node* value = plan->get(field.key);
    if (value == nullptr) {
      return Error(node, std::string("[plan] has no ") + field.key +
                             "; expected all four of runs, stages, focus and spread.");
    }
    int64_t number = 0;
    if (Status s =
            Integer(*value, std::string(field.key) + " in [plan]", field.low, kMaxCount, number);
        !s.ok())
      return s;
    numbers.*field.member = static_cast<int32_t>(number);
  }
  for (const auto& [key, value] : *plan) {
    if (key != "runs" && key != "stages" && key != "focus" && key != "spread") {
      return Error(value, "unknown key \"" + std::string(key.str()) +
                              "\" in [plan]; expected runs, stages, focus and spread.");
    }
  }
  if (numbers.focus == 0 && numbers.spread == 0) {
    return Error(node, "focus and spread in [plan] are both 0; expected at least 1 cycle a stage.");
  }
  const int64_t total = (int64_t{numbers.focus} + numbers.spread) * numbers.stages;
  if (total > kMaxCount || (numbers.runs > 0 && total * numbers.runs > kMaxCount)) {
    return Error(node, "[plan] asks for more than 2147483647 cycles; expected fewer.");
  }
  mix_.plan = numbers;
  return Status::Ok();
}

Status MixReader::Read(const toml::table& root) {
  for (const auto& [key_name, value] : InFileOrder(root)) {
    const toml::node& node = *value;
    const std::string& key = key_name;
    Status status;
    int64_t number = 0;
    std::string text;
    if (key == "roster") {
      status = Text(node, key, mix_.roster);
      if (status.ok() && mix_.roster.empty())
        status = Error(node, "roster is empty; expected the path of the roster file.");
    } else if (key == "name") {
      mix_.name_line = static_cast<int>(node.source().begin.line);
      status = Text(node, key, text);
      mix_.name_column = text;
    } else if (key == "groups") {
      status = Groups(node);
    } else if (key == "group_size") {
      mix_.groups_line = static_cast<int>(node.source().begin.line);
      status = Integer(node, key, 1, kMaxCount, number);
      mix_.group_size = static_cast<int32_t>(number);
    } else if (key == "sizes") {
      status = Sizes(node);
    } else if (key == "rounds") {
      mix_.rounds_line = static_cast<int>(node.source().begin.line);
      status = Integer(node, key, 1, kMaxRounds, number);
      mix_.rounds = static_cast<int32_t>(number);
    } else if (key == "repeat_weight") {
      status = Integer(node, key, 1, kMaxWeight, number);
      mix_.repeat_weight = static_cast<int32_t>(number);
    } else if (key == "balance") {
      mix_.balance_line = static_cast<int>(node.source().begin.line);
      status = Text(node, key, text);
      mix_.balance = text;
    } else if (key == "seed") {
      status = Integer(node, key, 0, 4294967295LL, number);
      mix_.seed = static_cast<uint32_t>(number);
    } else if (key == "time_limit") {
      int64_t ms = 0;
      if (node.is_integer()) {
        status = Integer(node, key, 1, 86400, number);
        ms = number * 1000;
      } else if (status = Text(node, key, text); status.ok()) {
        if (Status parsed = ParseDuration(text, ms); !parsed.ok()) {
          status = Error(node, "time_limit " + parsed.message() + ".");
        }
      }
      mix_.time_limit_ms = ms;
    } else if (key == "search") {
      status = Text(node, key, text);
      if (status.ok() && text != "classic" && text != "deep") {
        status = Error(node, "search is \"" + text + "\"; expected \"classic\" or \"deep\".");
      }
      mix_.search = text;
    } else if (key == "delimiter") {
      status = Text(node, key, text);
      if (status.ok() && text != "," && text != ";" && text != "\t") {
        status = Error(node, "delimiter is \"" + text + "\"; expected \",\", \";\" or \"\\t\".");
      }
      if (status.ok()) mix_.delimiter = text[0];
    } else if (key == "spread" || key == "pack" || key == "buddy" || key == "average") {
      status = Columns(node, key,
                       key == "spread"  ? mix_.spread
                       : key == "pack"  ? mix_.pack
                       : key == "buddy" ? mix_.buddy
                                        : mix_.average);
    } else if (key == "rules") {
      status = Rules(node);
    } else if (key == "plan") {
      status = Plan(node);
    } else {
      status =
          Error(node, "unknown key \"" + key +
                          "\"; expected roster, name, groups, group_size, sizes, balance, seed, "
                          "time_limit, search, delimiter, rounds, repeat_weight, [spread], "
                          "[pack], [buddy], [average], [rules] or [plan].");
    }
    if (!status.ok()) return status;
  }
  if (mix_.roster.empty()) {
    return Status::Error(file_ + ": no roster; expected roster = \"FILE.csv\", the roster's path.");
  }
  if (mix_.groups && mix_.group_size) {
    return Status::Error(StringPrintf(
        "%s, line %d: both groups and group_size are given; expected only one of them.",
        file_.c_str(), mix_.groups_line));
  }
  if (!mix_.sizes.empty()) {
    if (mix_.group_size) {
      return Status::Error(StringPrintf(
          "%s, line %d: both sizes and group_size are given; expected only one of them.",
          file_.c_str(), mix_.sizes_line));
    }
    const auto count = static_cast<int32_t>(mix_.sizes.size());
    if (mix_.groups && *mix_.groups != count) {
      return Status::Error(StringPrintf(
          "%s, line %d: sizes gives %d sizes for %d groups; expected one size for each group.",
          file_.c_str(), mix_.sizes_line, count, *mix_.groups));
    }
    mix_.groups = count;
  }
  if (!mix_.groups && !mix_.group_size) {
    return Status::Error(file_ +
                         ": no groups; expected groups = G (the number of groups), a list of "
                         "their names, or group_size = S (persons a group).");
  }
  return Status::Ok();
}

}  // namespace

Status ReadMixFile(std::string_view text, const std::string& file_name, MixFile& mix) {
  mix = MixFile{};
  toml::table root;
  try {
    root = toml::parse(text, file_name);
  } catch (const toml::parse_error& error) {
    return Status::Error(StringPrintf("%s, line %d, column %d: %s.", file_name.c_str(),
                                      static_cast<int>(error.source().begin.line),
                                      static_cast<int>(error.source().begin.column),
                                      std::string(error.description()).c_str()));
  }
  MixReader reader(file_name, mix);
  return reader.Read(root);
}

}  // namespace quorvale
