// Rule columns and their weight.
#include "roster/rule_columns.h"

#include <algorithm>
#include <limits>

#include "base/format.h"

namespace quorvale {

namespace {

constexpr int64_t kPairMax = std::numeric_limits<int16_t>::max();
constexpr int64_t kPairMin = std::numeric_limits<int16_t>::min();

// A column as BuildConflictMatrix sees it, after turning a majority code around where the column
// turns it: two persons share a category when they hold the same remaining code, and again when
// both lack the turned-around code.
struct Sharing {
  std::vector<int32_t> code;
  std::vector<bool> non_holder;
  bool turned = false;

  Sharing(const std::vector<int32_t>& codes, bool turns_majority)
      : code(codes), non_holder(codes.size()) {
    if (!turns_majority) return;
    const size_t n = codes.size();
    std::vector<size_t> count(n + 1);
    for (int32_t c : codes) {
      if (c > 0 && static_cast<size_t>(c) <= n) ++count[static_cast<size_t>(c)];
    }
    for (size_t v = 1; v <= n; ++v) {
      if (count[v] < 2 || count[v] <= n / 2) continue;
      turned = true;
      for (size_t p = 0; p < n; ++p) {
        if (code[p] == static_cast<int32_t>(v)) {
          code[p] = 0;
        } else {
          non_holder[p] = true;
        }
      }
      break;
    }
  }
  int Shared(size_t a, size_t b) const {
    return (code[a] > 0 && code[a] == code[b]) + (turned && non_holder[a] && non_holder[b]);
  }
};

}  // namespace

RuleLayout LayOutRules(const std::vector<RuleMembers>& rules, int persons) {
  RuleLayout layout;
  std::vector<bool> column_apart;
  std::vector<int32_t> codes_used;
  for (bool apart : {true, false}) {
    for (size_t r = 0; r < rules.size(); ++r) {
      if (rules[r].apart != apart) continue;
      layout.column_of_rule.resize(rules.size(), -1);
      layout.code_of_rule.resize(rules.size(), 0);
      size_t column = 0;
      for (; column < layout.columns.size(); ++column) {
        if (column_apart[column] != apart) continue;
        const std::vector<int32_t>& codes = layout.columns[column].codes;
        if (std::none_of(rules[r].persons.begin(), rules[r].persons.end(),
                         [&](int p) { return codes[static_cast<size_t>(p)] != 0; }))
          break;
      }
      if (column == layout.columns.size()) {
        layout.columns.push_back({std::vector<int32_t>(static_cast<size_t>(persons), 0), 0});
        column_apart.push_back(apart);
        codes_used.push_back(0);
      }
      const int32_t code = ++codes_used[column];
      for (int p : rules[r].persons) layout.columns[column].codes[static_cast<size_t>(p)] = code;
      layout.column_of_rule[r] = static_cast<int>(column);
      layout.code_of_rule[r] = code;
      layout.columns[column].weight = apart ? 1 : -1;  // the sign; the size comes later
    }
  }
  return layout;
}

Status WeighRules(const std::vector<WeightedCodes>& columns, const std::vector<RuleMembers>& rules,
                  const std::vector<std::string>& names, RuleLayout& layout) {
  const size_t n = names.size();
  std::vector<Sharing> given, ruled;
  for (const WeightedCodes& column : columns) given.emplace_back(column.codes, true);
  for (const WeightedCodes& column : layout.columns) ruled.emplace_back(column.codes, false);
  const PairTotalRange range = PairTotalBounds(columns);
  int64_t strongest = kPairMax;
  auto weigh_pair = [&](size_t a, size_t b) {
    int64_t base = 0;
    for (size_t c = 0; c < given.size(); ++c) base += columns[c].weight * given[c].Shared(a, b);
    if (base > kPairMax || base < kPairMin) {
      return Status::Error(StringPrintf(
          "the weights of [spread] and [pack] add up to %lld for %s and %s, who share "
          "values in several columns; expected a total from -32768 to 32767 for every two "
          "persons: lower some weights.",
          static_cast<long long>(base), names[a].c_str(), names[b].c_str()));
    }
    int64_t net = 0;  // rule weights on this pair, in units of W
    for (size_t c = 0; c < ruled.size(); ++c) {
      net += layout.columns[c].weight * ruled[c].Shared(a, b);
    }
    if (net > 0) strongest = std::min(strongest, (kPairMax - base) / net);
    if (net < 0) strongest = std::min(strongest, (base - kPairMin) / -net);
    return Status::Ok();
  };
  if (range.high > kPairMax || range.low < kPairMin) {
    // Some pair may leave the range: every pair is looked at, so that the message names one.
    for (size_t a = 0; a + 1 < n; ++a) {
      for (size_t b = a + 1; b < n; ++b) {
        if (Status s = weigh_pair(a, b); !s.ok()) return s;
      }
    }
  } else {
    // Only pairs within one rule carry a rule's weight.
    std::vector<std::pair<size_t, size_t>> pairs;
    for (const RuleMembers& rule : rules) {
      for (size_t i = 0; i < rule.persons.size(); ++i) {
        for (size_t k = 0; k < i; ++k) {
          const auto a = static_cast<size_t>(rule.persons[k]);
          const auto b = static_cast<size_t>(rule.persons[i]);
          pairs.emplace_back(std::min(a, b), std::max(a, b));
        }
      }
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    for (const auto& [a, b] : pairs) {
      if (Status s = weigh_pair(a, b); !s.ok()) return s;
    }
  }
  if (!rules.empty() && strongest < 1) {
    return Status::Error(
        "the weights of [spread] and [pack] leave no room for the rules' weight within "
        "-32768..32767 for every two persons; expected smaller weights.");
  }
  for (WeightedCodes& column : layout.columns) column.weight *= strongest;
  return Status::Ok();
}

PairTotalRange PairTotalBounds(const std::vector<WeightedCodes>& columns) {
  PairTotalRange range;
  for (const WeightedCodes& column : columns) {
    // Two non-holders of a turned-around code share it, and again any code they both hold.
    const int64_t most = column.weight * (Sharing(column.codes, true).turned ? 2 : 1);
    (most > 0 ? range.high : range.low) += most;
  }
  return range;
}

}  // namespace quorvale
