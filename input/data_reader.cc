// The data file reader. The checks guard the tables built from the data: a code indexes
// the matrix build's histogram of codes, which has room for the codes up to PersonCount, and a
// weight is added into the 16-bit ConflictMatrix. The layout check guards the meaning of the
// values: in a file laid out one row per line, a line with one value too many or too few would
// shift every later value into the wrong column.
#include "input/data_reader.h"

#include <cstdint>

#include "base/format.h"
#include "input/number_scanner.h"

namespace quorvale {
namespace {

constexpr int32_t kMinWeight = -32768;
constexpr int32_t kMaxWeight = 32767;

// A failure at `value`: the screen's message names the file, the line and value and the table
// cell; the detail leaves out the file and line.
Status ValueError(const std::string& file_name, const ScannedValue& value, int64_t row,
                  int32_t column, const std::string& what) {
  const std::string detail =
      StringPrintf("value %zu (row %lld, column %d of the table): ", value.position,
                   static_cast<long long>(row), column) +
      what;
  return Status::ErrorInFile(StringPrintf("%s, line %zu, ", file_name.c_str(), value.line) + detail,
                             file_name, value.line, detail);
}

Status TooFewValues(const std::string& file_name, size_t values_read, int32_t persons,
                    int32_t columns) {
  const int64_t needed = (int64_t{persons} + 1) * columns;
  const std::string found = values_read == 0   ? "holds no values"
                            : values_read == 1 ? "ends after 1 value"
                                               : StringPrintf("ends after %zu values", values_read);
  const std::string detail = StringPrintf(
      "%s, but %lld rows of %d values (%lld) are needed: the weight row and one row for each "
      "of the %d persons.",
      found.c_str(), static_cast<long long>(persons) + 1, columns, static_cast<long long>(needed),
      persons);
  return Status::ErrorInFile(file_name + " " + detail, file_name, 0, detail);
}

Status MisshapenLine(const std::string& file_name, size_t line, size_t values, int32_t columns) {
  const std::string detail = StringPrintf(
      "the line holds %zu value%s, but a row of the table needs %d: the first line holds one "
      "row, so every line is read as one row (blank lines are fine).",
      values, values == 1 ? "" : "s", columns);
  return Status::ErrorInFile(
      StringPrintf("%s, line %zu holds %zu value%s, but a row of the table needs %d: the first "
                   "line holds one row, so every line is read as one row (blank lines are fine).",
                   file_name.c_str(), line, values, values == 1 ? "" : "s", columns),
      file_name, line, detail);
}

// Whether the first line that holds anything holds exactly `columns` values.
bool FirstLineHoldsOneRow(std::string_view text, int32_t columns) {
  NumberScanner scanner(text);
  ScannedValue value;
  if (!scanner.Next(value)) return false;
  const size_t first_line = value.line;
  size_t count = 1;
  while (scanner.Next(value) && value.line == first_line) {
    if (++count > static_cast<size_t>(columns)) return false;
  }
  return count == static_cast<size_t>(columns);
}

// The values of `line` from `value` (its value at `value.position`) to the line's end.
size_t CountLine(NumberScanner& scanner, ScannedValue& value) {
  const size_t line = value.line;
  size_t count = value.position;
  while (scanner.Next(value) && value.line == line) count = value.position;
  return count;
}

}  // namespace

Status ReadDataTable(std::string_view text, const std::string& file_name, Model& model,
                     InputWarnings* warnings) {
  const int32_t persons = model.PersonCount();
  const int32_t columns = model.ColumnCount();
  Table2D<int32_t>& table = model.DataTable;
  if (persons < 1 || columns < 1 || table.rows() != static_cast<size_t>(persons) + 1 ||
      table.columns() != static_cast<size_t>(columns)) {
    return Status::Error(
        StringPrintf("The table for %s is not prepared for %d persons with %d data columns.",
                     file_name.c_str(), persons, columns));
  }

  const bool row_per_line = FirstLineHoldsOneRow(text, columns);
  NumberScanner scanner(text);
  ScannedValue value;
  size_t line = 0;            // the line of the last value read
  size_t values_on_line = 0;  // how many values that line held up to it
  for (int64_t row = 0; row <= persons; ++row) {
    int32_t* cells = table.Row(static_cast<int>(row));
    for (int32_t column = 0; column < columns; ++column) {
      if (!scanner.Next(value)) {
        return TooFewValues(file_name, scanner.values_read(), persons, columns);
      }
      if (row_per_line) {
        // A new line must begin a row, and a row must begin a new line.
        if (value.line != line && values_on_line != static_cast<size_t>(columns) && line != 0) {
          return MisshapenLine(file_name, line, values_on_line, columns);
        }
        if (value.line == line && column == 0) {
          return MisshapenLine(file_name, line, CountLine(scanner, value), columns);
        }
      }
      line = value.line;
      values_on_line = value.position;
      if (value.kind != ScannedValue::Kind::kNumber) {
        return ValueError(file_name, value, row, column, DescribeBadNumber(value) + ".");
      }
      const int32_t number = value.number;
      if (column >= 2) {
        if (row == 0 && (number < kMinWeight || number > kMaxWeight)) {
          return ValueError(file_name, value, row, column,
                            StringPrintf("column weight %d is outside -32768..32767, the range "
                                         "of a pair weight.",
                                         number));
        }
        if (row > 0 && number > persons) {
          return ValueError(file_name, value, row, column,
                            StringPrintf("category code %d is above the %d persons; codes run "
                                         "from 1 to PersonCount.",
                                         number, persons));
        }
      }
      cells[column] = number;
    }
  }

  // What follows the last row: a refusal when the last row's line runs on, else only counted.
  if (!scanner.Next(value)) return Status::Ok();
  if (row_per_line && value.line == line) {
    return MisshapenLine(file_name, line, CountLine(scanner, value), columns);
  }
  const size_t first_line = value.line;
  const size_t values_before = scanner.values_read() - 1;
  int64_t lines = 1;
  for (size_t last_line = value.line; scanner.Next(value); last_line = value.line) {
    if (value.line != last_line) ++lines;
  }
  if (warnings != nullptr) {
    const auto extra_values = static_cast<int64_t>(scanner.values_read() - values_before);
    warnings->rows_not_read = row_per_line ? lines : (extra_values + columns - 1) / columns;
    warnings->first_line_not_read = first_line;
  }
  return Status::Ok();
}

}  // namespace quorvale
