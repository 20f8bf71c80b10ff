// The roster: a spreadsheet saved as CSV, a header row naming the columns and one row per
// person. Read with libcsv; the rows are also kept as they stood in the file, so that the
// groups file can give them back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace quorvale {

struct Roster {
  std::vector<std::string> header;              // column names, outer spaces trimmed
  std::vector<std::vector<std::string>> cells;  // per person, header.size() trimmed cells
  std::vector<int> lines;                       // the file line on which each row begins

  // The file's own form, for writing the rows back.
  char delimiter = ',';
  bool byte_order_mark = false;
  std::string line_end = "\n";  // of the header row: "\r\n", "\r" or "\n"
  std::string raw_header;       // the header row's bytes, without its line end
  // Every row below the header, without its line end: the persons' and, in their places, rows
  // of empty cells and blank lines (not those at the end of the file).
  std::vector<std::string> raw_rows;
  std::vector<bool> row_is_person;  // per raw row: false for empty cells or a blank line

  int PersonCount() const { return static_cast<int>(cells.size()); }
  // The index of the column named exactly `name`, or -1.
  int ColumnIndex(std::string_view name) const;
};

// The delimiter the header row uses: the most frequent of comma, semicolon and tab outside
// quotes (comma when it has none, a roster of one column).
char DetectDelimiter(std::string_view text);

// Parses the text of a roster file. `file_name` names it in messages, which give the line and
// column, what was found and what was expected. Refused: an empty file, a header without rows,
// a column named twice, a row whose cell count differs from the header's, a quote out of place
// or never closed, NUL bytes (UTF-16 text), bytes that are not UTF-8. Rows whose cells are all
// empty and blank lines name no person. Line numbers count "\r\n", "\n" and a lone "\r" alike.
Status ParseRoster(std::string_view text, const std::string& file_name,
                   std::optional<char> delimiter, Roster& roster);

// Outer spaces and tabs removed.
std::string_view Trim(std::string_view text);

}  // namespace quorvale
