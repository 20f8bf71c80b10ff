// Reading of "data.txt" into DataTable: the weight row, then one row per person.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"
#include "input/input_warnings.h"
#include "model/model.h"

namespace quorvale {

// Fills model.DataTable (allocated for model.PersonCount() + 1 rows of model.ColumnCount(),
// all 0) from the text of "data.txt", and checks the codes and weights. `file_name` names the file
// in messages (the driver passes the full path).
//
// The text holds whole numbers separated by white space; the first (N + 1) x C of them fill the
// table row by row. Line breaks carry no meaning, except that a file whose first line holds
// exactly C values is taken as one row per line: then a later line of the table with another
// number of values is refused, naming the line (blank lines are fine). What follows the last
// row is not read as numbers; `warnings`, when given, receives how many rows it holds and the
// line where they begin. Fails, naming the first offending
// value by its line and place in the file and by its row and column in the table, when a value
// is not a 32-bit whole number, when the text ends early, when a column weight (row 0, columns
// 2..C-1) lies outside -32768..32767, or when a category code (rows 1..N, columns 2..C-1) is
// above N. Codes of 0 or below, columns 0 and 1, and row 0's first two cells may hold anything.
// On success every cell is set; on failure the table's contents are unspecified.
Status ReadDataTable(std::string_view text, const std::string& file_name, Model& model,
                     InputWarnings* warnings = nullptr);

}  // namespace quorvale
