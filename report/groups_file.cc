// Formatting of the groups file.
#include "report/groups_file.h"

#include <algorithm>

#include "report/results_file.h"

namespace quorvale {

std::string GroupColumnName(const std::vector<std::string>& header) {
  std::string name = "Group";
  for (int k = 2; std::find(header.begin(), header.end(), name) != header.end(); ++k) {
    name = "Group " + std::to_string(k);
  }
  return name;
}

std::vector<std::string> RoundColumnNames(const std::vector<std::string>& header, int rounds) {
  std::vector<std::string> names;
  for (int r = 1; r <= rounds; ++r) {
    std::string name = "Round " + std::to_string(r);
    while (std::find(header.begin(), header.end(), name) != header.end()) name += " (groups)";
    names.push_back(name);
  }
  return names;
}

namespace {

// A cell as the roster's CSV writes it: in quotes when it holds the delimiter, a quote or a line
// break.
std::string CsvCell(const std::string& text, char delimiter) {
  if (text.find_first_of(std::string{delimiter, '"', '\r', '\n'}) == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::string FormatGroupsFile(const GroupsTable& table, std::span<const int32_t> groups) {
  const size_t rounds = std::max<size_t>(1, table.round_columns.size());
  const size_t stride = groups.size() / rounds;  // N + 1
  std::string text = table.byte_order_mark ? "\xEF\xBB\xBF" : "";
  text += table.raw_header;
  if (table.round_columns.empty()) {
    text += table.delimiter + CsvCell(table.group_column, table.delimiter);
  }
  for (const std::string& column : table.round_columns) {
    text += table.delimiter + CsvCell(column, table.delimiter);
  }
  text += table.line_end;
  size_t person = 0;
  for (size_t row = 0; row < table.raw_rows.size(); ++row) {
    text += table.raw_rows[row];
    if (table.row_is_person[row]) ++person;
    for (size_t r = 0; r < rounds; ++r) {
      text += table.delimiter;
      if (!table.row_is_person[row]) continue;
      const int32_t group = groups[r * stride + person];
      text += static_cast<size_t>(group) < table.group_names.size()
                  ? CsvCell(table.group_names[static_cast<size_t>(group)], table.delimiter)
                  : std::to_string(group);
    }
    text += table.line_end;
  }
  return text;
}

Status WriteGroupsFile(const std::string& path, const GroupsTable& table,
                       std::span<const int32_t> groups) {
  return ReplaceFileAtomically(path, FormatGroupsFile(table, groups));
}

}  // namespace quorvale
