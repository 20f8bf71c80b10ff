// Fuzzes the reader of "data.txt" and the conflict matrix built from what it accepts. The first
// three bytes choose a small PersonCount, ColumnCount and GroupCount; the rest is the file. An
// accepted table holds only codes up to PersonCount and weights within 16 bits, and the matrix
// built from it is either refused with a message or symmetric with an empty diagonal, row 0 and
// column 0.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "console/screen.h"
#include "engine/conflict_matrix.h"
#include "engine/problem.h"
#include "fuzz/fuzz_check.h"
#include "input/data_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvale;
  if (size < 3) return 0;
  Parameters params;
  params.PersonCount = 2 + data[0] % 31;
  params.ColumnCount = 2 + data[1] % 7;
  params.GroupCount = 1 + data[2] % (params.PersonCount + 3);
  params.TypeMode = 1;
  params.RunCount = 1;
  params.StagesPerRun = 1;
  params.FocusCycles = 1;
  const std::string_view text(reinterpret_cast<const char*>(data) + 3, size - 3);

  Problem p;
  const Status allocated = AllocateProblem(params, p);
  FUZZ_CHECK(allocated.ok(), "%s", allocated.message().c_str());
  const Status status = ReadDataTable(text, "data.txt", p);
  if (!status.ok()) {
    FUZZ_CHECK(status.message().rfind("data.txt", 0) == 0, "message: %s", status.message().c_str());
    return 0;
  }
  const int n = p.PersonCount;
  for (int col = 2; col < p.ColumnCount; ++col) {
    FUZZ_CHECK(p.DataTable(0, col) >= -32768 && p.DataTable(0, col) <= 32767, "weight %d",
               p.DataTable(0, col));
    for (int i = 1; i <= n; ++i) {
      FUZZ_CHECK(p.DataTable(i, col) <= n, "code %d of person %d", p.DataTable(i, col), i);
    }
  }

  Screen screen;
  const Status built = BuildConflictMatrix(p, screen);
  if (!built.ok()) {
    FUZZ_CHECK(!built.message().empty(), "a refusal without a message");
    return 0;
  }
  for (int k = 0; k <= n; ++k) {
    FUZZ_CHECK(p.ConflictMatrix(k, k) == 0, "diagonal %d", k);
    FUZZ_CHECK(p.ConflictMatrix(0, k) == 0 && p.ConflictMatrix(k, 0) == 0, "row 0 at %d", k);
    for (int j = k + 1; j <= n; ++j) {
      FUZZ_CHECK(p.ConflictMatrix(k, j) == p.ConflictMatrix(j, k), "asymmetric at %d, %d", k, j);
    }
  }
  return 0;
}
