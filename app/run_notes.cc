// Compiler-style lines, so that an editor or a script can find the place a message points at.
#include "app/run_notes.h"

#include <string_view>
#include <utility>

namespace quorvale {

namespace {

constexpr std::string_view kScreenApology = "Sorry. ";

std::string FailureLine(const Status& failure) {
  std::string line = "quorvalemixer: ";
  if (failure.file().empty()) {
    std::string_view message = failure.message();
    if (message.starts_with(kScreenApology)) message.remove_prefix(kScreenApology.size());
    line += message;
  } else {
    line += failure.file();
    if (failure.line() > 0) line += ":" + std::to_string(failure.line());
    line += ": " + failure.detail();
  }
  return line + "\n";
}

}  // namespace

std::vector<std::string> DiagnosticLines(const RunNotes& notes, bool with_failure) {
  std::vector<std::string> lines;
  if (with_failure && !notes.failure.ok()) lines.push_back(FailureLine(notes.failure));
  for (std::string& line : WarningLines(notes.warnings, notes.data_file)) {
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace quorvale
