#include "app/run_report.h"

#include <ctime>

#include "app/driver.h"
#include "base/format.h"
#include "report/plain_verdict.h"
#include "report/plain_words.h"
#include "report/verdict.h"

namespace quorvale {

ReportData FolderReportData(const Problem& p, const std::string& folder) {
  ReportData data;
  data.title = folder.empty() ? std::string(".") : folder;
  for (int col = 2; col < p.ColumnCount(); ++col) {
    if (p.ColumnBounds[static_cast<size_t>(col)].weight == 0) continue;
    ReportColumn column;
    column.column = col;
    column.name = StringPrintf("Column %d", col);
    data.columns.push_back(std::move(column));
  }
  data.run.inputs = {JoinPath(folder, "parameters.txt"), JoinPath(folder, "data.txt")};
  data.run.plan = p.params;
  data.run.total_cycles = p.TotalCycles;
  return data;
}

std::string LocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = "";
  if (localtime_r(&now, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

namespace {

void AddFiles(const std::string& folder, const std::vector<std::string>& written,
              std::vector<std::string>& lines) {
  lines.push_back("Folder: " + (folder.empty() ? std::string(".") : folder));
  for (size_t i = 0; i < written.size(); ++i) {
    lines.push_back((i == 0 ? "Wrote:  " : "        ") + written[i]);
  }
}

}  // namespace

std::vector<std::string> SummaryLines(const Problem& p, const Verdict& verdict,
                                      const std::string& folder,
                                      const std::vector<std::string>& written,
                                      const std::vector<std::string>& notes) {
  std::vector<std::string> lines;
  lines.push_back("Best score " + FormatPoints(p.BestScore) + ", Target Score " +
                  FormatPoints(p.TargetScore) + " (lower is better).");
  lines.push_back(VerdictLine(verdict));
  for (const std::string& note : notes) lines.push_back(note);
  AddFiles(folder, written, lines);
  return lines;
}

std::vector<std::string> WordsSummaryLines(const Problem& p, const ReportData& data,
                                           const std::string& folder,
                                           const std::vector<std::string>& written,
                                           const std::vector<std::string>& notes) {
  std::vector<std::string> lines;
  for (const PlainLine& line : PlainVerdictLines(p, data)) lines.push_back(line.text + ".");
  const bool checked = !data.run.checked_from.empty();
  std::string scores = (checked ? "Score " : "Best score ") + ScoreText(data, p.BestScore) +
                       ", Target Score " + ScoreText(data, p.TargetScore);
  if (data.verdict) scores += ", proven bound " + ScoreText(data, data.verdict->LowerBound);
  lines.push_back(scores + " (lower is better; in the mix file's units).");
  if (checked) {
    lines.push_back("Checked " + data.run.checked_from +
                    " as it stands (not searched; the file was left as it is).");
  }
  for (const std::string& note : notes) lines.push_back(note);
  AddFiles(folder, written, lines);
  return lines;
}

}  // namespace quorvale
