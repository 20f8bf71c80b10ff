// Fuzzes the reader of "parameters.txt": any text is either refused with a message that names
// the file, or accepted with every parameter in the range the engine relies on, and an accepted
// set reads back the same from its own plain rendering.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/parameters.h"
#include "fuzz/fuzz_check.h"
#include "input/parameter_reader.h"

namespace {

constexpr const char* kFile = "parameters.txt";

std::string Render(const quorvale::Parameters& p) {
  return std::to_string(p.PersonCount) + " " + std::to_string(p.ColumnCount) + " " +
         std::to_string(p.TypeMode) + " " + std::to_string(p.GroupCount) + " " +
         std::to_string(p.RunCount) + " " + std::to_string(p.StagesPerRun) + " " +
         std::to_string(p.FocusCycles) + " " + std::to_string(p.SpreadCycles);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvale;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Parameters params;
  const Status status = ReadParameters(text, kFile, params);
  if (!status.ok()) {
    FUZZ_CHECK(status.message().rfind(kFile, 0) == 0, "message: %s", status.message().c_str());
    return 0;
  }
  FUZZ_CHECK(params.PersonCount >= 2 && params.ColumnCount >= 2 && params.GroupCount >= 1, "%s",
             Render(params).c_str());
  FUZZ_CHECK(params.RunCount >= 0 && params.StagesPerRun >= 1 && params.FocusCycles >= 0 &&
                 params.SpreadCycles >= 0 && params.FocusCycles + params.SpreadCycles >= 1,
             "%s", Render(params).c_str());
  const int64_t run_cycles =
      (int64_t{params.FocusCycles} + params.SpreadCycles) * params.StagesPerRun;
  FUZZ_CHECK(run_cycles <= INT32_MAX && run_cycles * params.RunCount <= INT32_MAX, "%s",
             Render(params).c_str());

  Parameters again;
  const std::string rendered = Render(params);
  const Status reread = ReadParameters(rendered, kFile, again);
  FUZZ_CHECK(reread.ok() && Render(again) == rendered, "%s reads back as %s (%s)", rendered.c_str(),
             Render(again).c_str(), reread.message().c_str());
  return 0;
}
