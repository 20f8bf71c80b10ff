// The groups file: the roster's rows in their own order, byte for byte as the roster holds
// them, each with a last column "Group" (empty for a row that names nobody). Written beside the mix
// file with every save of "results.txt", replaced the same safe way.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"

namespace quorvale {

// The roster's own form, as its reader kept it.
struct GroupsTable {
  bool byte_order_mark = false;
  char delimiter = ',';
  std::string line_end = "\n";
  std::string raw_header;              // without its line end
  std::vector<std::string> raw_rows;   // every row below the header, without its line end
  std::vector<bool> row_is_person;     // per raw row; the others get an empty group
  std::string group_column = "Group";  // the added column's name
};

// "Group", or when the roster has a column of that name already (a groups file used as a
// roster), the first of "Group 2", "Group 3", ... that it has not.
std::string GroupColumnName(const std::vector<std::string>& header);

// The file's text for a grouping given as group_of_person[p], p = 1..N (slot 0 unused), person p
// the p-th raw row that is a person's. REQUIRES: group_of_person.size() > N.
std::string FormatGroupsFile(const GroupsTable& table, std::span<const int32_t> group_of_person);

// Formats and replaces the file at `path` (temporary file in the same folder, fsync, rename).
Status WriteGroupsFile(const std::string& path, const GroupsTable& table,
                       std::span<const int32_t> group_of_person);

}  // namespace quorvale
