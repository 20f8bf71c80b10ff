// The layout is parsed strictly, so that a cut or half-written file cannot pass as a shorter
// valid one; everything else is recomputed through the library's deal and evaluation.
#include "tests/support/results_checker.h"

#include <array>
#include <cstdlib>
#include <map>
#include <vector>

#include "base/format.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "input/data_reader.h"
#include "input/file_reader.h"
#include "input/parameter_reader.h"
#include "report/results_file.h"

namespace quorvale::test {

std::string CheckResults(std::string_view parameters_text, std::string_view data_text,
                         std::string_view results, ResultsSummary* summary) {
  Parameters params;
  Problem p;
  // The plain engine: the check must not share the program's kernels.
  Engine engine(KernelLevel::kPlain);
  Status status = ReadParameters(parameters_text, "parameters.txt", params);
  if (status.ok()) status = AllocateProblem(params, p, 1 << 30);
  if (status.ok()) status = ReadDataTable(data_text, "data.txt", p);
  if (status.ok()) status = BuildConflictMatrix(p);
  if (!status.ok()) return "the input is refused: " + status.message();
  DealInitialAssignment(p);
  SetUpStartValues(p, engine);
  const std::vector<int32_t> dealt = p.Assignment;
  std::map<std::pair<int32_t, int32_t>, int> dealt_counts, counts;  // (group, type) -> persons
  const int n = p.PersonCount();
  for (int i = 1; i <= n; ++i) ++dealt_counts[{dealt.data()[i], p.Type(i)}];
  if (!results.empty() && results.back() != '\n') return "results.txt is cut short";
  std::vector<std::array<long long, 3>> lines;
  for (size_t start = 0, end; start < results.size(); start = end + 1) {
    end = results.find('\n', start);
    const std::string line(results.substr(start, end - start));
    std::array<long long, 3> v{};
    char* next = const_cast<char*>(line.c_str());
    for (long long& value : v) value = std::strtoll(next, &next, 10);
    if (line != StringPrintf("%lld \t%lld \t%lld \t", v[0], v[1], v[2])) {
      return StringPrintf("results.txt line %zu: not three values as \"%%d \\t\"",
                          lines.size() + 1);
    }
    lines.push_back(v);
  }
  if (lines.size() != static_cast<size_t>(n) + 3) {
    return StringPrintf("results.txt has %zu lines, but %d persons need %d", lines.size(), n,
                        n + 3);
  }
  const auto* row = lines.data();  // row[2 + i]: person i's line
  for (int i = 1; i <= n; ++i) {
    const long long group = row[2 + i][1];
    const bool placed = dealt.data()[i] != 0;
    if (row[2 + i][0] != i || (placed ? group < 1 || group > p.GroupCount() : group != 0)) {
      return StringPrintf("results.txt line %d: not person %d in a group %s", i + 3, i,
                          placed ? "1..GroupCount" : "0 (never dealt)");
    }
    p.Assignment.data()[i] = static_cast<int32_t>(group);
    ++counts[{p.Assignment.data()[i], p.Type(i)}];
  }
  if (counts != dealt_counts) return "results.txt: persons per group and type differ from the deal";
  EvaluateAssignment(p, engine);
  if (p.CurrentScore != row[2][1]) {
    return StringPrintf("results.txt line 3: BestScore is %lld, but the grouping scores %lld",
                        row[2][1], static_cast<long long>(p.CurrentScore));
  }
  for (int i = 1; i <= n; ++i) {
    if (row[2 + i][2] != p.PersonConflict.data()[i]) {
      return StringPrintf("results.txt line %d: person %d's conflict is %lld, but recomputes to %d",
                          i + 3, i, row[2 + i][2], p.PersonConflict.data()[i]);
    }
  }
  const long long cycle = row[2][2];
  const SchedulePosition at = DecodeCycleNumber(static_cast<int32_t>(cycle), p.params);
  if (row[0][0] != p.TargetScore || (row[0][1] != 1 && row[0][1] != 2) ||
      row[0][2] != p.ConflictDensity || cycle < 0 || cycle > p.TotalCycles ||
      row[1] != std::array<long long, 3>{at.RunNumber, at.StageNumber, at.FocusIndex} ||
      row[2][0] != at.SpreadIndex || (row[0][1] == 2 && row[2][1] != p.TargetScore)) {
    return "results.txt lines 1 to 3: a head value disagrees with the input or the cycle";
  }
  if (summary != nullptr) *summary = {row[0][1], row[2][1], cycle};
  return "";
}

std::string CheckResultsFolder(const std::string& folder, ResultsSummary* summary) {
  const FileText files[] = {ReadFileText(folder + "/parameters.txt"),
                            ReadFileText(folder + "/data.txt"),
                            ReadFileText(folder + "/results.txt")};
  for (const FileText& file : files)
    if (!file.status.ok()) return file.status.message();
  return CheckResults(files[0].text, files[1].text, files[2].text, summary);
}

}  // namespace quorvale::test
