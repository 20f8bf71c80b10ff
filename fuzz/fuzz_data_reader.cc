// Fuzzes the reader of "data.txt" and the conflict matrix built from what it accepts. The first
// three bytes choose a small PersonCount, ColumnCount and GroupCount; the rest is the file. An
// accepted table holds only codes up to PersonCount and weights within 16 bits, and its matrix
// is refused with a message or symmetric with an empty diagonal, row 0 and column 0. A refusal
// names the file; rows left unread are counted from a line of the file.
#include <cstdint>
#include <string_view>

#include "engine/conflict_matrix.h"
#include "fuzz/fuzz_check.h"
#include "input/data_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvale;
  if (size < 3) return 0;
  Parameters params{.TypeMode = 1, .RunCount = 1, .StagesPerRun = 1, .FocusCycles = 1};
  params.PersonCount = 2 + data[0] % 31;
  params.ColumnCount = 2 + data[1] % 7;
  params.GroupCount = 1 + data[2] % (params.PersonCount + 3);
  Problem p;
  FUZZ_CHECK(AllocateProblem(params, p).ok());
  const std::string_view text(reinterpret_cast<const char*>(data) + 3, size - 3);
  InputWarnings warnings;
  if (const Status status = ReadDataTable(text, "data.txt", p, &warnings); !status.ok()) {
    FUZZ_CHECK(status.message().rfind("data.txt", 0) == 0, status.message());
    FUZZ_CHECK(status.file() == "data.txt" && !status.detail().empty(), status.message());
    return 0;
  }
  FUZZ_CHECK(warnings.rows_not_read >= 0);
  FUZZ_CHECK((warnings.rows_not_read > 0) == (warnings.first_line_not_read > 0));
  const int n = p.PersonCount();
  for (int col = 2; col < p.ColumnCount(); ++col) {
    FUZZ_CHECK(p.DataTable(0, col) >= -32768 && p.DataTable(0, col) <= 32767);
    for (int i = 1; i <= n; ++i) FUZZ_CHECK(p.DataTable(i, col) <= n);
  }
  const Status built = BuildConflictMatrix(p);
  FUZZ_CHECK(built.ok() || !built.message().empty());
  for (int k = 0; built.ok() && k <= n; ++k) {
    FUZZ_CHECK(p.ConflictMatrix(k, k) == 0 && p.ConflictMatrix(0, k) == 0);
    for (int j = 0; j <= n; ++j) FUZZ_CHECK(p.ConflictMatrix(k, j) == p.ConflictMatrix(j, k));
  }
  return 0;
}
