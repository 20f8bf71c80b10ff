// What the report shows of a roster run: the persons by name, the roster's columns with their
// labels, the balance column, and the rules.
#pragma once

#include "report/report_data.h"
#include "roster/mix_plan.h"

namespace quorvale {

// Fills `data` (made for the working folder) with the names, labels and rules of `plan`, and
// names the mix file and the roster as the run's input.
void DescribeMix(const MixPlan& plan, ReportData& data);

// MIX.report.html beside the mix file.
std::string MixReportPath(const MixPlan& plan);

}  // namespace quorvale
