#include "app/roster_report.h"

#include <algorithm>

#include "report/plain_words.h"

namespace quorvale {

namespace {

// Each person's cell of the roster column `header`, index 0 unused.
std::vector<std::string> CellsOf(const MixPlan& plan, const std::string& header) {
  std::vector<std::string> cells(1);
  const auto at = std::find(plan.header.begin(), plan.header.end(), header);
  const auto index = static_cast<size_t>(at - plan.header.begin());
  for (const std::vector<std::string>& row : plan.rows) {
    cells.push_back(at != plan.header.end() && index < row.size() ? row[index] : std::string());
  }
  return cells;
}

}  // namespace

void DescribeMix(const MixPlan& plan, ReportData& data) {
  data.title = plan.mix_path;
  data.names.assign(1, std::string());
  data.names.insert(data.names.end(), plan.names.begin(), plan.names.end());
  std::vector<ReportColumn> columns;
  for (const MixColumn& column : plan.columns) {
    columns.push_back({column.data_column, column.header, CellsOf(plan, column.header), false});
  }
  for (const MixRule& rule : plan.rules) {
    data.rules.push_back({rule.apart, rule.persons});
    // A rule column is named by the rules it holds, as the user wrote them down.
    std::vector<std::string> names;
    for (const int person : rule.persons) names.push_back(plan.names[size_t(person - 1)]);
    const std::string label = RuleLabel(rule.apart, names);
    const auto listed = std::find_if(columns.begin(), columns.end(), [&](const ReportColumn& c) {
      return c.column == rule.data_column;
    });
    if (listed == columns.end()) {
      columns.push_back({rule.data_column, label, {}, true});
    } else {
      listed->name += "; " + label;
    }
  }
  // Any other weighted column keeps its place in the sums under its number.
  for (const ReportColumn& column : data.columns) {
    const bool listed = std::any_of(columns.begin(), columns.end(), [&](const ReportColumn& c) {
      return c.column == column.column;
    });
    if (!listed) columns.push_back(column);
  }
  data.columns = std::move(columns);
  if (plan.balance) {
    data.balance_name = plan.balance->header;
    data.balance_values = CellsOf(plan, plan.balance->header);
  }
  if (!plan.group_names.empty()) {
    data.group_names.assign(1, "");
    data.group_names.insert(data.group_names.end(), plan.group_names.begin(),
                            plan.group_names.end());
  }
  for (const MixBuddy& buddy : plan.buddies) {
    data.buddies.push_back({buddy.header, buddy.weight, buddy.labels});
  }
  for (const MixAverage& average : plan.averages) {
    data.averages.push_back({average.header, average.weight});
  }
  data.pins = plan.pins;
  data.repeat_weight = plan.repeat_weight;
  data.mix_units = true;
  data.run.inputs = {plan.mix_path, plan.roster_path};
}

std::string MixReportPath(const MixPlan& plan) {
  std::string path = plan.groups_path;
  const std::string suffix = ".groups.csv";
  if (path.size() >= suffix.size() && path.ends_with(suffix))
    path.resize(path.size() - suffix.size());
  return path + ".report.html";
}

}  // namespace quorvale
