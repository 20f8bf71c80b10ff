// Fuzzes the reader of "parameters.txt": any text is refused with a message that names the file,
// or accepted with every parameter in the range the engine relies on, and then reads back the
// same from its own plain rendering.
#include <cstdint>
#include <string_view>

#include "base/format.h"
#include "fuzz/fuzz_check.h"
#include "input/parameter_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvale;
  auto render = [](const Parameters& p) {
    return StringPrintf("%d %d %d %d %d %d %d %d", p.PersonCount, p.ColumnCount, p.TypeMode,
                        p.GroupCount, p.RunCount, p.StagesPerRun, p.FocusCycles, p.SpreadCycles);
  };
  Parameters p, again;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const Status status = ReadParameters(text, "parameters.txt", p); !status.ok()) {
    FUZZ_CHECK(status.message().rfind("parameters.txt", 0) == 0, status.message());
    return 0;
  }
  const int64_t run_cycles = (int64_t{p.FocusCycles} + p.SpreadCycles) * p.StagesPerRun;
  FUZZ_CHECK(p.PersonCount >= 2 && p.ColumnCount >= 2 && p.GroupCount >= 1 && p.RunCount >= 0 &&
                 p.StagesPerRun >= 1 && p.FocusCycles >= 0 && p.SpreadCycles >= 0,
             render(p));
  FUZZ_CHECK(run_cycles >= 1 && run_cycles <= INT32_MAX && run_cycles * p.RunCount <= INT32_MAX,
             render(p));
  const Status reread = ReadParameters(render(p), "parameters.txt", again);
  FUZZ_CHECK(reread.ok() && render(again) == render(p), render(p) + ": " + reread.message());
  return 0;
}
