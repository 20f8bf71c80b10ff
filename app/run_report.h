// After a search: the HTML report beside the results and the few lines printed below the screen.
#pragma once

#include <string>
#include <vector>

#include "engine/problem.h"
#include "proof/verdict.h"
#include "report/report_data.h"

namespace quorvale {

// The report's data for a folder-mode run: persons by number, every weighted attribute column
// as "Column c", the two input files.
ReportData FolderReportData(const Problem& problem, const std::string& folder);

// The local date and time, "2026-12-07 14:05".
std::string LocalDateTime();

// The lines printed below the screen: the scores and the verdict, the folder, the files written.
std::vector<std::string> SummaryLines(const Problem& problem, const Verdict& verdict,
                                      const std::string& folder,
                                      const std::vector<std::string>& written,
                                      const std::vector<std::string>& notes);

// Roster mode's lines: the verdict in words first, then the scores in the mix file's units (a
// grouping checked from a file says so), the folder and the files written.
std::vector<std::string> WordsSummaryLines(const Problem& problem, const ReportData& data,
                                           const std::string& folder,
                                           const std::vector<std::string>& written,
                                           const std::vector<std::string>& notes);

}  // namespace quorvale
