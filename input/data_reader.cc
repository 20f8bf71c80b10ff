// The data file reader. The checks guard the tables built from the data: a code indexes
// CodeHistogram, which has room for the codes up to PersonCount, and a weight is added into the
// 16-bit ConflictMatrix.
#include "input/data_reader.h"

#include <cstdint>

#include "base/format.h"
#include "input/number_scanner.h"

namespace quorvale {
namespace {

constexpr int32_t kMinWeight = -32768;
constexpr int32_t kMaxWeight = 32767;

std::string Place(const std::string& file_name, const ScannedValue& value, int64_t row,
                  int32_t column) {
  return StringPrintf("%s, line %zu, value %zu (row %lld, column %d of the table)",
                      file_name.c_str(), value.line, value.position, static_cast<long long>(row),
                      column);
}

Status TooFewValues(const std::string& file_name, size_t values_read, int32_t persons,
                    int32_t columns) {
  const int64_t needed = (int64_t{persons} + 1) * columns;
  const std::string found = values_read == 0 ? " holds no values"
                            : values_read == 1
                                ? " ends after 1 value"
                                : StringPrintf(" ends after %zu values", values_read);
  return Status::Error(StringPrintf(
      "%s%s, but %lld rows of %d values (%lld) are needed: the weight row and one row for each "
      "of the %d persons.",
      file_name.c_str(), found.c_str(), static_cast<long long>(persons) + 1, columns,
      static_cast<long long>(needed), persons));
}

}  // namespace

Status ReadDataTable(std::string_view text, const std::string& file_name, Problem& problem) {
  const int32_t persons = problem.PersonCount();
  const int32_t columns = problem.ColumnCount();
  Table2D<int32_t>& table = problem.DataTable;
  if (persons < 1 || columns < 1 || table.rows() != static_cast<size_t>(persons) + 1 ||
      table.columns() != static_cast<size_t>(columns)) {
    return Status::Error(
        StringPrintf("The table for %s is not prepared for %d persons with %d data columns.",
                     file_name.c_str(), persons, columns));
  }

  NumberScanner scanner(text);
  ScannedValue value;
  for (int64_t row = 0; row <= persons; ++row) {
    int32_t* cells = table.Row(static_cast<int>(row));
    for (int32_t column = 0; column < columns; ++column) {
      if (!scanner.Next(value)) {
        return TooFewValues(file_name, scanner.values_read(), persons, columns);
      }
      if (value.kind != ScannedValue::Kind::kNumber) {
        return Status::Error(Place(file_name, value, row, column) + ": " +
                             DescribeBadNumber(value) + ".");
      }
      const int32_t number = value.number;
      if (column >= 2) {
        if (row == 0 && (number < kMinWeight || number > kMaxWeight)) {
          return Status::Error(StringPrintf(
              "%s: column weight %d is outside -32768..32767, the range of a pair weight.",
              Place(file_name, value, row, column).c_str(), number));
        }
        if (row > 0 && number > persons) {
          return Status::Error(StringPrintf(
              "%s: category code %d is above the %d persons; codes run from 1 to PersonCount.",
              Place(file_name, value, row, column).c_str(), number, persons));
        }
      }
      cells[column] = number;
    }
  }
  return Status::Ok();
}

}  // namespace quorvale
