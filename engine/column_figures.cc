// Per-column contributions, counted per group: a category held by h members of a group adds
// weight x h(h - 1)/2, and so do the non-holders of a turned-around majority code, exactly as
// the conflict matrix adds the column's weight to each such pair.
#include "engine/column_figures.h"

#include <algorithm>
#include <unordered_map>

#include "engine/problem.h"

namespace quorvale {

std::vector<int64_t> ColumnContributions(const Problem& p, const std::vector<int32_t>& assignment) {
  const int n = p.PersonCount();
  std::vector<int64_t> contribution(static_cast<size_t>(p.ColumnCount()), 0);
  std::unordered_map<int64_t, int64_t> members;  // (group, code) -> members holding it
  for (int col = 2; col < p.ColumnCount() && col < static_cast<int>(p.ColumnBounds.size()); ++col) {
    const ColumnBound& bound = p.ColumnBounds[static_cast<size_t>(col)];
    if (bound.weight == 0) continue;
    members.clear();
    const bool turned = !bound.majority_holder.empty();
    for (int i = 1; i <= n; ++i) {
      const int64_t group = assignment[static_cast<size_t>(i)];
      const int32_t code = p.DataTable(i, col);
      if (code > 0) ++members[group * (int64_t{n} + 2) + code];
      // Non-holders of the majority code share one category, kept apart from the codes 1..N.
      if (turned && bound.majority_holder[static_cast<size_t>(i)] == 0) {
        ++members[group * (int64_t{n} + 2) + n + 1];
      }
    }
    int64_t pairs = 0;
    for (const auto& [key, count] : members) pairs += count * (count - 1) / 2;
    contribution[static_cast<size_t>(col)] = pairs * bound.weight;
  }
  return contribution;
}

int64_t FewestGroupsFor(int64_t holders, int64_t base_size, int64_t large_groups) {
  if (holders <= 0) return 0;
  const int64_t in_large = std::min(holders, (base_size + 1) * large_groups);
  int64_t groups = (in_large + base_size) / (base_size + 1);
  const int64_t rest = holders - in_large;
  if (rest > 0 && base_size > 0) groups += (rest + base_size - 1) / base_size;
  return groups;
}

int64_t FewestGroupsIn(int64_t holders, const std::vector<int32_t>& sizes_largest_first) {
  int64_t groups = 0;
  for (const int32_t size : sizes_largest_first) {
    if (holders <= 0) break;
    holders -= size;
    ++groups;
  }
  return groups;
}

}  // namespace quorvale
