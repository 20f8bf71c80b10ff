// Balance, pins, buddies and averages from roster columns.
#include "roster/mix_wishes.h"

#include <algorithm>
#include <map>

#include "base/format.h"
#include "roster/closest_names.h"
#include "roster/person_names.h"

namespace quorvale {

namespace {

constexpr int32_t kMaxDecimals = 6;
// Numbers are held in units of 10^-decimals: beyond this their squares' sums could lose digits.
constexpr int64_t kMaxMagnitude = int64_t{1} << 40;

Status CellError(const WishContext& c, size_t row, const std::string& message) {
  return Status::Error(
      StringPrintf("%s, line %d: %s", c.roster_name.c_str(), c.roster.lines[row], message.c_str()));
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

Status FindRosterColumn(const WishContext& c, const std::string& name, int line,
                        const std::string& key, int& index) {
  index = c.roster.ColumnIndex(name);
  if (index >= 0) return Status::Ok();
  const std::string message = key + " names the column \"" + name + "\", which " + c.roster_name +
                              " does not have; expected one of its header's names, such as " +
                              QuotedChoice(ClosestNames(name, c.roster.header)) + ".";
  if (line <= 0) return Status::Error(c.mix_name + ": " + message);
  return Status::Error(StringPrintf("%s, line %d: %s", c.mix_name.c_str(), line, message.c_str()));
}

Status ReadBalance(const WishContext& c, std::vector<int32_t>& types,
                   std::optional<MixBalance>& balance) {
  types.assign(c.roster.cells.size(), 1);
  balance.reset();
  if (!c.mix.balance) return Status::Ok();
  int column = 0;
  if (Status s = FindRosterColumn(c, *c.mix.balance, c.mix.balance_line, "balance", column);
      !s.ok()) {
    return s;
  }
  MixBalance found{*c.mix.balance, {}};
  std::map<std::string, int32_t> type_of;
  for (size_t p = 0; p < c.roster.cells.size(); ++p) {
    const std::string& value = c.roster.cells[p][static_cast<size_t>(column)];
    auto [it, added] = type_of.emplace(value, static_cast<int32_t>(found.values.size() + 1));
    if (added) found.values.push_back(value);
    types[p] = it->second;
  }
  balance = std::move(found);
  return Status::Ok();
}

Status ReadPins(const WishContext& c, int32_t groups, const std::vector<std::string>& group_names,
                std::vector<int32_t>& pins) {
  pins.assign(c.roster.cells.size() + 1, 0);
  if (!c.mix.pin_column) return Status::Ok();
  int column = 0;
  if (Status s = FindRosterColumn(c, c.mix.pin_column->column, c.mix.pin_column->line, "pin_column",
                                  column);
      !s.ok()) {
    return s;
  }
  std::vector<std::string> normal_names(group_names.size());
  std::transform(group_names.begin(), group_names.end(), normal_names.begin(), NormalName);
  for (size_t p = 0; p < c.roster.cells.size(); ++p) {
    const std::string& cell = c.roster.cells[p][static_cast<size_t>(column)];
    if (cell.empty()) continue;
    const std::string wanted = NormalName(cell);
    int32_t group = 0;
    const auto named = std::find(normal_names.begin(), normal_names.end(), wanted);
    if (named != normal_names.end()) {
      group = static_cast<int32_t>(named - normal_names.begin()) + 1;
    } else if (wanted.find_first_not_of("0123456789") == std::string::npos && wanted.size() <= 9) {
      group = std::stoi(wanted);
      if (group > groups) group = 0;
    }
    if (group == 0) {
      const std::string expected = group_names.empty()
                                       ? StringPrintf("a group's number from 1 to %d", groups)
                                       : "a group's name, such as " +
                                             QuotedChoice(ClosestNames(wanted, group_names)) +
                                             StringPrintf(", or its number from 1 to %d", groups);
      return CellError(c, p,
                       "the column " + Quoted(c.mix.pin_column->column) + " names the group " +
                           Quoted(cell) + ", which the mix file does not have; expected " +
                           expected + ".");
    }
    pins[p + 1] = group;
  }
  return Status::Ok();
}

Status ReadBuddies(const WishContext& c, std::vector<MixBuddy>& shown,
                   std::vector<BuddyWish>& wishes) {
  for (const MixColumnWeight& given : c.mix.buddy) {
    int column = 0;
    if (Status s = FindRosterColumn(c, given.column, given.line, "[buddy]", column); !s.ok()) {
      return s;
    }
    MixBuddy buddy{given.column, given.weight, {}, given.ignore};
    BuddyWish wish{given.weight, std::vector<int32_t>(c.roster.cells.size() + 1, 0), 0};
    std::vector<std::string> ignored;
    for (const std::string& value : given.ignore) ignored.push_back(NormalName(value));
    std::map<std::string, int32_t> value_of;
    for (size_t p = 0; p < c.roster.cells.size(); ++p) {
      const std::string& label = c.roster.cells[p][static_cast<size_t>(column)];
      if (label.empty() || std::count(ignored.begin(), ignored.end(), NormalName(label)) > 0) {
        continue;
      }
      auto [it, added] = value_of.emplace(label, static_cast<int32_t>(buddy.labels.size() + 1));
      if (added) buddy.labels.push_back(label);
      wish.value[p + 1] = it->second;
    }
    wish.values = static_cast<int32_t>(buddy.labels.size());
    shown.push_back(std::move(buddy));
    wishes.push_back(std::move(wish));
  }
  return Status::Ok();
}

bool ParseDecimal(std::string_view text, int64_t& value, int32_t& decimals) {
  size_t at = 0;
  const bool negative = !text.empty() && (text[0] == '-' || text[0] == '+') && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++at;
  int64_t number = 0;
  int digits = 0;
  decimals = -1;
  for (; at < text.size(); ++at) {
    const char ch = text[at];
    if ((ch == '.' || ch == ',') && decimals < 0) {
      decimals = 0;
      continue;
    }
    if (ch < '0' || ch > '9') return false;
    if (decimals >= 0 && ++decimals > kMaxDecimals) return false;
    number = number * 10 + (ch - '0');
    if (number > kMaxMagnitude) return false;
    ++digits;
  }
  if (digits == 0) return false;
  decimals = std::max(decimals, 0);
  value = negative ? -number : number;
  return true;
}

Status ReadAverages(const WishContext& c, std::vector<MixAverage>& shown,
                    std::vector<AverageWish>& wishes) {
  for (const MixColumnWeight& given : c.mix.average) {
    int column = 0;
    if (Status s = FindRosterColumn(c, given.column, given.line, "[average]", column); !s.ok()) {
      return s;
    }
    const size_t n = c.roster.cells.size();
    std::vector<int64_t> raw(n + 1, 0);
    std::vector<int32_t> places(n + 1, 0);
    AverageWish wish{given.weight, std::vector<int64_t>(n + 1, 0), std::vector<uint8_t>(n + 1, 0),
                     0};
    for (size_t p = 0; p < n; ++p) {
      const std::string& cell = c.roster.cells[p][static_cast<size_t>(column)];
      if (cell.empty()) continue;
      if (!ParseDecimal(cell, raw[p + 1], places[p + 1])) {
        return CellError(c, p,
                         "the column " + Quoted(given.column) + " of [average] holds " +
                             Quoted(cell) +
                             ", which is not a number; expected a number such as 2.5 or 2,5 (up "
                             "to six decimals), or an empty cell.");
      }
      wish.present[p + 1] = 1;
      wish.decimals = std::max(wish.decimals, places[p + 1]);
    }
    // Every number in the column's finest unit.
    for (size_t p = 1; p <= n; ++p) {
      int64_t v = raw[p];
      for (int32_t d = places[p]; d < wish.decimals; ++d) v *= 10;
      wish.value[p] = v;
    }
    shown.push_back({given.column, given.weight, wish.decimals});
    wishes.push_back(std::move(wish));
  }
  return Status::Ok();
}

}  // namespace quorvale
