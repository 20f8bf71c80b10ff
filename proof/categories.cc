// Categories of the attribute columns, read from the data before the matrix is built.
#include "proof/categories.h"

namespace quorvale {

std::vector<Category> ListCategories(const Problem& p) {
  const int n = p.PersonCount();
  std::vector<Category> categories;
  std::vector<std::vector<int32_t>> holders(static_cast<size_t>(n) + 1);
  for (int col = 2; col < p.ColumnCount(); ++col) {
    // Weight 0 adds nothing to any score.
    const int64_t weight = p.DataTable(0, col);
    if (weight == 0) continue;
    for (auto& list : holders) list.clear();
    for (int i = 1; i <= n; ++i) {
      const int32_t v = p.DataTable(i, col);
      if (v > 0 && v <= n) holders[static_cast<size_t>(v)].push_back(i);
    }
    for (int v = 1; v <= n; ++v) {
      std::vector<int32_t>& members = holders[static_cast<size_t>(v)];
      if (members.size() < 2) continue;
      if (static_cast<int>(members.size()) <= n / 2 || !p.TurnsMajority(col)) {
        categories.push_back({weight, members});
        continue;
      }
      // Turned around: the persons who do not hold the code.
      Category others{weight, {}};
      size_t next = 0;
      for (int i = 1; i <= n; ++i) {
        if (next < members.size() && members[next] == i) {
          ++next;
        } else {
          others.members.push_back(i);
        }
      }
      if (others.members.size() >= 2) categories.push_back(std::move(others));
    }
  }
  return categories;
}

}  // namespace quorvale
