// The results check. Everything the file claims is recomputed from the input through the
// library's readers, matrix, deal and evaluation; only the layout is parsed here, strictly, so
// that a truncated or half-written file cannot pass as a shorter valid one.
#include "tests/support/results_checker.h"

#include <array>
#include <cstdlib>

#include "console/format.h"
#include "console/screen.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "input/data_reader.h"
#include "input/file_reader.h"
#include "input/number_scanner.h"
#include "input/parameter_reader.h"
#include "report/results_file.h"

namespace quorvale::test {

namespace {

constexpr int kValuesPerLine = 3;

// One value as "%d \t" writes it: an optional minus, digits without a leading zero, a space
// and a tab. Advances `rest` past it.
bool ParseValue(std::string_view& rest, int64_t& value) {
  size_t i = 0;
  const bool negative = i < rest.size() && rest[i] == '-';
  if (negative) ++i;
  const size_t digits_start = i;
  while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') ++i;
  const size_t digits = i - digits_start;
  if (digits == 0 || digits > 18) return false;
  if (rest[digits_start] == '0' && (digits > 1 || negative)) return false;
  if (rest.substr(i, 2) != " \t") return false;
  value = std::strtoll(std::string(rest.substr(0, i)).c_str(), nullptr, 10);
  rest.remove_prefix(i + 2);
  return true;
}

Status LineError(size_t line, const std::string& what) {
  return Status::Error(StringPrintf("results.txt line %zu: %s", line, what.c_str()));
}

}  // namespace

ResultsChecker::ResultsChecker(std::string_view parameters_text, std::string_view data_text) {
  Parameters params;
  input_status_ = ReadParameters(parameters_text, "parameters.txt", params);
  if (input_status_.ok()) input_status_ = AllocateProblem(params, problem_, 1 << 30);
  if (input_status_.ok()) input_status_ = ReadDataTable(data_text, "data.txt", problem_);
  if (input_status_.ok()) {
    Screen scratch;
    input_status_ = BuildConflictMatrix(problem_, scratch);
  }
  if (!input_status_.ok()) return;
  DealInitialAssignment(problem_);
  SetUpStartValues(problem_);
  dealt_groups_ = problem_.Assignment;
  for (int person = 1; person <= problem_.PersonCount; ++person) {
    ++dealt_counts_[{dealt_groups_[static_cast<size_t>(person)], problem_.Type(person)}];
  }
}

Status ResultsChecker::Check(std::string_view results, ResultsSummary* summary) {
  if (!input_status_.ok()) return Status::Error("the input is refused: " + input_status_.message());
  const int32_t persons = problem_.PersonCount;
  const size_t expected_lines = static_cast<size_t>(persons) + 3;

  // Layout: exactly N + 3 lines of three "%d \t" values, each line ended by "\n".
  std::vector<std::array<int64_t, kValuesPerLine>> rows;
  std::string_view rest = results;
  while (!rest.empty()) {
    const size_t line = rows.size() + 1;
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
      return LineError(line,
                       "ends without a line feed (the file is cut short): " + QuoteToken(rest));
    }
    std::string_view text = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    if (rows.size() == expected_lines) {
      return LineError(line, StringPrintf("is one too many; %d persons need %zu lines", persons,
                                          expected_lines));
    }
    std::array<int64_t, kValuesPerLine> values{};
    const std::string_view whole = text;
    for (int64_t& value : values) {
      if (!ParseValue(text, value)) {
        return LineError(
            line, "expected three values each written as \"%d \\t\", found " + QuoteToken(whole));
      }
    }
    if (!text.empty()) {
      return LineError(line, "holds more than three values: " + QuoteToken(whole));
    }
    rows.push_back(values);
  }
  if (rows.size() != expected_lines) {
    return Status::Error(StringPrintf("results.txt has %zu lines, but %d persons need %zu",
                                      rows.size(), persons, expected_lines));
  }

  // The head lines.
  ResultsSummary read;
  read.TargetScore = rows[0][0];
  read.ConflictDensity = static_cast<int32_t>(rows[0][2]);
  read.BestScore = rows[2][1];
  if (read.TargetScore != problem_.TargetScore) {
    return LineError(1, StringPrintf("TargetScore is %lld, but the input gives %lld",
                                     static_cast<long long>(read.TargetScore),
                                     static_cast<long long>(problem_.TargetScore)));
  }
  if (rows[0][1] != kTargetNotReached && rows[0][1] != kTargetReached) {
    return LineError(1, StringPrintf("TargetStatus is %lld, but only 1 or 2 may stand there",
                                     static_cast<long long>(rows[0][1])));
  }
  read.TargetStatus = static_cast<int32_t>(rows[0][1]);
  if (rows[0][2] != problem_.ConflictDensity) {
    return LineError(1, StringPrintf("ConflictDensity is %lld, but the input gives %d",
                                     static_cast<long long>(rows[0][2]), problem_.ConflictDensity));
  }
  if (rows[2][2] < 0 || rows[2][2] > problem_.TotalCycles) {
    return LineError(3, StringPrintf("CycleNumber %lld lies outside 0..%d",
                                     static_cast<long long>(rows[2][2]), problem_.TotalCycles));
  }
  read.CycleNumber = static_cast<int32_t>(rows[2][2]);
  const SchedulePosition at = DecodeCycleNumber(read.CycleNumber, problem_.params);
  if (rows[1][0] != at.RunNumber || rows[1][1] != at.StageNumber || rows[1][2] != at.FocusIndex ||
      rows[2][0] != at.SpreadIndex) {
    return LineError(
        2, StringPrintf("run %lld, stage %lld, focus %lld, spread %lld do not decode "
                        "cycle %d (run %d, stage %d, focus %d, spread %d)",
                        static_cast<long long>(rows[1][0]), static_cast<long long>(rows[1][1]),
                        static_cast<long long>(rows[1][2]), static_cast<long long>(rows[2][0]),
                        read.CycleNumber, at.RunNumber, at.StageNumber, at.FocusIndex,
                        at.SpreadIndex));
  }
  if (read.TargetStatus == kTargetReached && read.BestScore != read.TargetScore) {
    return LineError(3, StringPrintf("TargetStatus says reached, but BestScore %lld is not the "
                                     "TargetScore %lld",
                                     static_cast<long long>(read.BestScore),
                                     static_cast<long long>(read.TargetScore)));
  }

  // The person lines: numbering, group ranges, and the sizes and type mix of the deal.
  read.groups.assign(static_cast<size_t>(persons) + 1, 0);
  std::map<std::pair<int32_t, int32_t>, int> counts;
  for (int32_t person = 1; person <= persons; ++person) {
    const size_t line = static_cast<size_t>(person) + 3;
    const auto& row = rows[line - 1];
    if (row[0] != person) {
      return LineError(line, StringPrintf("starts with %lld, but belongs to person %d",
                                          static_cast<long long>(row[0]), person));
    }
    const int64_t group = row[1];
    const bool dealt = dealt_groups_[static_cast<size_t>(person)] != 0;
    if (dealt && (group < 1 || group > problem_.GroupCount)) {
      return LineError(line, StringPrintf("person %d is in group %lld, outside 1..%d", person,
                                          static_cast<long long>(group), problem_.GroupCount));
    }
    if (!dealt && group != 0) {
      return LineError(line,
                       StringPrintf("person %d of type %d was never dealt, but is in group "
                                    "%lld instead of 0",
                                    person, problem_.Type(person), static_cast<long long>(group)));
    }
    read.groups[static_cast<size_t>(person)] = static_cast<int32_t>(group);
    ++counts[{static_cast<int32_t>(group), problem_.Type(person)}];
  }
  if (counts != dealt_counts_) {
    for (const auto& [key, dealt] : dealt_counts_) {
      const auto found = counts.find(key);
      const int now = found == counts.end() ? 0 : found->second;
      if (now != dealt) {
        return Status::Error(StringPrintf(
            "results.txt: group %d holds %d persons of type %d, but the deal gave it %d", key.first,
            now, key.second, dealt));
      }
    }
    for (const auto& [key, now] : counts) {
      if (dealt_counts_.count(key) == 0) {
        return Status::Error(StringPrintf(
            "results.txt: group %d holds %d persons of type %d, but the deal gave it none",
            key.first, now, key.second));
      }
    }
  }

  // The scores, recomputed for the grouping in the file.
  problem_.Assignment = read.groups;
  EvaluateAssignment(problem_);
  if (problem_.CurrentScore != read.BestScore) {
    return LineError(3, StringPrintf("BestScore is %lld, but the grouping in the file scores %lld",
                                     static_cast<long long>(read.BestScore),
                                     static_cast<long long>(problem_.CurrentScore)));
  }
  for (int32_t person = 1; person <= persons; ++person) {
    const size_t line = static_cast<size_t>(person) + 3;
    const int64_t written = rows[line - 1][2];
    const int32_t conflict = problem_.PersonConflict[static_cast<size_t>(person)];
    if (written != conflict) {
      return LineError(line, StringPrintf("person %d's conflict is %lld, but recomputes to %d",
                                          person, static_cast<long long>(written), conflict));
    }
  }
  if (summary != nullptr) *summary = std::move(read);
  return Status::Ok();
}

Status CheckResultsFolder(const std::string& folder, ResultsSummary* summary) {
  const FileText parameters = ReadFileText(folder + "/parameters.txt");
  if (!parameters.status.ok()) return parameters.status;
  const FileText data = ReadFileText(folder + "/data.txt");
  if (!data.status.ok()) return data.status;
  const FileText results = ReadFileText(folder + "/results.txt");
  if (!results.status.ok()) return results.status;
  ResultsChecker checker(parameters.text, data.text);
  return checker.Check(results.text, summary);
}

}  // namespace quorvale::test
