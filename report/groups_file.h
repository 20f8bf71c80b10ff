// The groups file: the roster's rows in their own order, byte for byte as the roster holds
// them, each with a last column "Group" (empty for a row that names nobody), or with several
// rounds a column for each round, "Round 1" to "Round R". A group is given by its name when the
// groups are named. Written beside the mix file with every save of "results.txt", replaced the
// same safe way.
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
  std::string raw_header;                  // without its line end
  std::vector<std::string> raw_rows;       // every row below the header, without its line end
  std::vector<bool> row_is_person;         // per raw row; the others get an empty group
  std::string group_column = "Group";      // the added column's name, with one round
  std::vector<std::string> round_columns;  // "Round 1" to "Round R", with several rounds
  std::vector<std::string> group_names;    // groups 1..G (index 0 unused); empty: numbers
};

// "Group", or when the roster has a column of that name already (a groups file used as a
// roster), the first of "Group 2", "Group 3", ... that it has not.
std::string GroupColumnName(const std::vector<std::string>& header);

// The columns "Round 1" to "Round R", each numbered past a header name it would repeat.
std::vector<std::string> RoundColumnNames(const std::vector<std::string>& header, int rounds);

// The file's text for the groupings given as groups[r * (N + 1) + p], person p = 1..N (slot 0 of
// each round unused) the p-th raw row that is a person's, for round r = 0.. of as many rounds as
// the table has round columns (one without them).
std::string FormatGroupsFile(const GroupsTable& table, std::span<const int32_t> groups);

// Formats and replaces the file at `path` (temporary file in the same folder, fsync, rename).
Status WriteGroupsFile(const std::string& path, const GroupsTable& table,
                       std::span<const int32_t> groups);

}  // namespace quorvale
