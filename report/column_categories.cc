// A column's categories from the data table as BuildConflictMatrix left it: a turned-around
// majority code is cleared there, so its holders are read from the column's bound.
#include "report/column_categories.h"

#include <algorithm>
#include <map>

#include "base/format.h"

namespace quorvale {

std::string ColumnValue(const Problem& p, const ReportColumn& column, int person) {
  if (static_cast<size_t>(person) < column.values.size()) {
    return column.values[static_cast<size_t>(person)];
  }
  const ColumnBound& bound = p.ColumnBounds[static_cast<size_t>(column.column)];
  if (!bound.majority_holder.empty() && bound.majority_holder[static_cast<size_t>(person)] != 0) {
    return StringPrintf("%d", bound.majority_code);
  }
  const int32_t code = p.DataTable(person, column.column);
  return code > 0 ? StringPrintf("%d", code) : std::string();
}

std::vector<ColumnCategory> ColumnCategories(const Problem& p, const ReportColumn& column,
                                             const std::vector<int32_t>& grouping) {
  const int n = p.PersonCount();
  const ColumnBound& bound = p.ColumnBounds[static_cast<size_t>(column.column)];
  const bool turned = !bound.majority_holder.empty();
  std::map<int32_t, ColumnCategory> by_code;  // code 0 stands for the majority
  ColumnCategory others;
  others.others = true;
  others.label = "all others (one category)";
  others.per_group.assign(static_cast<size_t>(p.GroupCount()) + 1, 0);
  for (int i = 1; i <= n; ++i) {
    const auto group = static_cast<size_t>(grouping[static_cast<size_t>(i)]);
    const bool holder = turned && bound.majority_holder[static_cast<size_t>(i)] != 0;
    const int32_t code = holder ? 0 : p.DataTable(i, column.column);
    if (turned && !holder) {
      ++others.per_group[group];
      ++others.holders;
    }
    if (!holder && code <= 0) continue;
    ColumnCategory& category = by_code[code];
    if (category.per_group.empty()) {
      category.per_group.assign(static_cast<size_t>(p.GroupCount()) + 1, 0);
      category.label = ColumnValue(p, column, i);
      category.majority = holder;
    }
    ++category.per_group[group];
    ++category.holders;
  }
  std::vector<ColumnCategory> list;
  list.reserve(by_code.size() + 1);
  for (auto& [code, category] : by_code) list.push_back(std::move(category));
  std::stable_sort(list.begin(), list.end(), [](const ColumnCategory& a, const ColumnCategory& b) {
    return a.holders > b.holders;
  });
  if (turned) list.insert(list.begin() + (list.empty() || !list.front().majority ? 0 : 1), others);
  return list;
}

}  // namespace quorvale
