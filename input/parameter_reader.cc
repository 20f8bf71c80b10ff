// The parameter file reader. Each value is checked as soon as it is read, so the message is
// about the first problem in the file's own order.
#include "input/parameter_reader.h"

#include <cstdint>
#include <iterator>
#include <limits>

#include "base/format.h"
#include "input/number_scanner.h"

namespace quorvale {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

struct Field {
  const char* name;
  int32_t Parameters::*member;
  bool has_minimum;
  int32_t minimum;
  const char* below_minimum;  // completes "..., but " when the value is below `minimum`
};

constexpr Field kFields[] = {
    {"PersonCount", &Parameters::PersonCount, true, 2, "at least 2 persons are needed"},
    {"ColumnCount", &Parameters::ColumnCount, true, 2,
     "at least 2 columns are needed (column 0 and the type column)"},
    {"TypeMode", &Parameters::TypeMode, false, 0, ""},
    {"GroupCount", &Parameters::GroupCount, true, 1, "at least 1 group is needed"},
    {"RunCount", &Parameters::RunCount, true, 0, "the number of runs cannot be negative"},
    {"StagesPerRun", &Parameters::StagesPerRun, true, 1, "at least 1 stage per run is needed"},
    {"FocusCycles", &Parameters::FocusCycles, true, 0,
     "the number of focus cycles cannot be negative"},
    {"SpreadCycles", &Parameters::SpreadCycles, true, 0,
     "the number of spread cycles cannot be negative"},
};
constexpr int kFieldCount = static_cast<int>(std::size(kFields));

constexpr const char* kOrdinals[kFieldCount] = {"1st", "2nd", "3rd", "4th",
                                                "5th", "6th", "7th", "8th"};

// A failure of the file as a whole: the screen's message is the file's name, `separator` and
// `detail`.
Status FileError(const std::string& file_name, const char* separator, const std::string& detail,
                 size_t line = 0) {
  return Status::ErrorInFile(file_name + separator + detail, file_name, line, detail);
}

Status MissingValues(const std::string& file_name, size_t values_read) {
  if (values_read == 0) {
    return FileError(file_name, " ",
                     "holds no values, but 8 are needed, from PersonCount to SpreadCycles.");
  }
  return FileError(
      file_name, " ",
      StringPrintf("ends after %zu value%s, but 8 are needed; %s (the %s value) is missing.",
                   values_read, values_read == 1 ? "" : "s", kFields[values_read].name,
                   kOrdinals[values_read]));
}

// The schedule is counted in 32-bit integers downstream: the cycles of the whole search, and
// the cycles of one run, by which a cycle number is decoded even when no run is planned.
Status CheckCycleCounts(const std::string& file_name, const Parameters& params) {
  const int64_t stage_cycles = int64_t{params.FocusCycles} + params.SpreadCycles;
  // Both factors are below 2^32, so the product cannot leave 64 bits.
  const int64_t run_cycles = stage_cycles * params.StagesPerRun;
  int64_t total_cycles = 0;
  if (__builtin_mul_overflow(run_cycles, int64_t{params.RunCount}, &total_cycles) ||
      total_cycles > kInt32Max) {
    return FileError(
        file_name, ": ",
        StringPrintf("TotalCycles = (FocusCycles + SpreadCycles) x StagesPerRun x RunCount = "
                     "(%d + %d) x %d x %d is above 2147483647, the most cycles a search can plan.",
                     params.FocusCycles, params.SpreadCycles, params.StagesPerRun,
                     params.RunCount));
  }
  if (run_cycles > kInt32Max) {
    return FileError(
        file_name, ": ",
        StringPrintf("a run of (FocusCycles + SpreadCycles) x StagesPerRun = (%d + %d) x %d "
                     "cycles is above 2147483647, the most cycles a run can count, even with "
                     "RunCount 0.",
                     params.FocusCycles, params.SpreadCycles, params.StagesPerRun));
  }
  return Status::Ok();
}

}  // namespace

Status ReadParameters(std::string_view text, const std::string& file_name, Parameters& params) {
  NumberScanner scanner(text);
  ScannedValue value;
  for (int i = 0; i < kFieldCount; ++i) {
    const Field& field = kFields[i];
    if (!scanner.Next(value)) return MissingValues(file_name, scanner.values_read());
    if (value.kind != ScannedValue::Kind::kNumber) {
      return FileError(file_name, ", ",
                       StringPrintf("%s (the %s value): %s.", field.name, kOrdinals[i],
                                    DescribeBadNumber(value).c_str()),
                       value.line);
    }
    if (field.has_minimum && value.number < field.minimum) {
      return FileError(file_name, ": ",
                       StringPrintf("%s (the %s value) is %d, but %s.", field.name, kOrdinals[i],
                                    value.number, field.below_minimum),
                       value.line);
    }
    params.*field.member = value.number;
  }
  if (params.FocusCycles == 0 && params.SpreadCycles == 0) {
    return FileError(file_name, ": ",
                     "FocusCycles and SpreadCycles (the 7th and 8th values) are both 0, but "
                     "every stage needs at least 1 cycle.",
                     value.line);
  }
  return CheckCycleCounts(file_name, params);
}

}  // namespace quorvale
