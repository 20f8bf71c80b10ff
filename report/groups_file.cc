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

std::string FormatGroupsFile(const GroupsTable& table, std::span<const int32_t> group_of_person) {
  std::string text = table.byte_order_mark ? "\xEF\xBB\xBF" : "";
  text += table.raw_header;
  text += table.delimiter;
  text += table.group_column;
  text += table.line_end;
  size_t person = 0;
  for (size_t row = 0; row < table.raw_rows.size(); ++row) {
    text += table.raw_rows[row];
    text += table.delimiter;
    if (table.row_is_person[row]) text += std::to_string(group_of_person[++person]);
    text += table.line_end;
  }
  return text;
}

Status WriteGroupsFile(const std::string& path, const GroupsTable& table,
                       std::span<const int32_t> group_of_person) {
  return ReplaceFileAtomically(path, FormatGroupsFile(table, group_of_person));
}

}  // namespace quorvale
