// Rows are matched by all their roster cells, not by their place: two rows alike in every cell
// describe the same wishes, so either may take either's group.
#include "roster/groups_reader.h"

#include <algorithm>
#include <map>

#include "base/format.h"
#include "roster/closest_names.h"
#include "roster/person_names.h"
#include "roster/roster_csv.h"

namespace quorvale {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A row as a message names it: by its name, else by its first cells.
std::string RowShown(const MixPlan& plan, const std::vector<std::string>& cells) {
  if (plan.name_column) {
    const auto at = std::find(plan.header.begin(), plan.header.end(), *plan.name_column);
    if (at != plan.header.end()) return Quoted(cells[size_t(at - plan.header.begin())]);
  }
  std::string shown;
  for (size_t c = 0; c < cells.size() && c < 3; ++c) shown += (c == 0 ? "" : ", ") + cells[c];
  return Quoted(shown + (cells.size() > 3 ? ", ..." : ""));
}

// The group a cell names: a group's name, or its number; 0 for none.
int32_t GroupOf(const std::string& cell, const GroupsFileColumns& expected) {
  const std::string wanted = NormalName(cell);
  for (size_t g = 0; g < expected.group_names.size(); ++g) {
    if (NormalName(expected.group_names[g]) == wanted) return static_cast<int32_t>(g) + 1;
  }
  if (wanted.empty() || wanted.size() > 9 ||
      wanted.find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  const int32_t group = std::stoi(wanted);
  return group <= expected.groups ? group : 0;
}

std::string ExpectedGroup(const GroupsFileColumns& expected, const std::string& cell) {
  if (expected.group_names.empty()) {
    return StringPrintf("a group's number from 1 to %d", expected.groups);
  }
  return "a group's name, such as " + QuotedChoice(ClosestNames(cell, expected.group_names)) +
         StringPrintf(", or its number from 1 to %d", expected.groups);
}

}  // namespace

Status ReadGroupsFile(std::string_view text, const std::string& file_name,
                      const std::string& roster_name, const MixPlan& plan,
                      const GroupsFileColumns& expected, std::optional<char> delimiter,
                      std::vector<std::vector<int32_t>>& rounds) {
  Roster file;
  if (Status s = ParseRoster(text, file_name, delimiter, file); !s.ok()) return s;
  const auto line_error = [&](int line, const std::string& message) {
    return Status::Error(StringPrintf("%s, line %d: ", file_name.c_str(), line) + message);
  };
  // Where each roster column and each column of groups stands in the file.
  std::vector<int> roster_at, groups_at;
  for (const std::string& name : plan.header) roster_at.push_back(file.ColumnIndex(name));
  for (const std::string& name : expected.columns) groups_at.push_back(file.ColumnIndex(name));
  for (size_t c = 0; c < plan.header.size(); ++c) {
    if (roster_at[c] >= 0) continue;
    return line_error(1, "found no column " + Quoted(plan.header[c]) +
                             "; expected the columns of " + roster_name + " and the groups in " +
                             QuotedChoice(expected.columns) + ", as a run writes them.");
  }
  for (size_t c = 0; c < expected.columns.size(); ++c) {
    if (groups_at[c] >= 0) continue;
    return line_error(1, "found no column " + Quoted(expected.columns[c]) +
                             "; expected the groups in it, as a run writes them after the "
                             "columns of " +
                             roster_name + ".");
  }
  // The roster's persons by their cells; a row held twice is two persons.
  std::map<std::vector<std::string>, std::vector<int>> persons_of;
  for (size_t p = plan.rows.size(); p-- > 0;) persons_of[plan.rows[p]].push_back(int(p) + 1);
  const size_t n = plan.rows.size();
  rounds.assign(expected.columns.size(), std::vector<int32_t>(n + 1, 0));
  for (size_t row = 0; row < file.cells.size(); ++row) {
    const std::vector<std::string>& cells = file.cells[row];
    const int line = file.lines[row];
    std::vector<std::string> key;
    key.reserve(roster_at.size());
    for (const int at : roster_at) key.push_back(cells[size_t(at)]);
    if (std::all_of(key.begin(), key.end(), [](const std::string& c) { return c.empty(); })) {
      continue;
    }
    const auto found = persons_of.find(key);
    if (found == persons_of.end() || found->second.empty()) {
      std::string message = "found the row " + RowShown(plan, key);
      message += ", which " + roster_name;
      message += found == persons_of.end() ? " does not hold" : " holds fewer times";
      message +=
          "; expected the rows of " + roster_name + " as they stand, each once, with a group.";
      return line_error(line, message);
    }
    const int person = found->second.back();
    found->second.pop_back();
    for (size_t r = 0; r < expected.columns.size(); ++r) {
      const std::string& cell = cells[size_t(groups_at[r])];
      const int32_t group = GroupOf(cell, expected);
      if (group == 0) {
        return line_error(line, "the column " + Quoted(expected.columns[r]) +
                                    (cell.empty() ? " holds no group"
                                                  : " names the group " + Quoted(cell) +
                                                        ", which the mix file does not have") +
                                    "; expected " + ExpectedGroup(expected, cell) + ".");
      }
      rounds[r][size_t(person)] = group;
    }
  }
  for (size_t p = 1; p <= n; ++p) {
    if (rounds.front()[p] != 0) continue;
    return Status::Error(StringPrintf("%s: the row on line %d of %s (", file_name.c_str(),
                                      plan.lines[p - 1], roster_name.c_str()) +
                         RowShown(plan, plan.rows[p - 1]) +
                         ") is missing; expected every row of the roster, each with a group.");
  }
  return Status::Ok();
}

}  // namespace quorvale
