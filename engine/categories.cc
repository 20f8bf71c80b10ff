// Categories of the attribute columns, read from the data before the matrix is built.
#include "engine/categories.h"

#include <algorithm>

namespace quorvale {

std::vector<Category> ListCategories(const Problem& p) {
  const int n = p.PersonCount;
  std::vector<Category> categories;
  std::vector<int32_t> counts(static_cast<size_t>(n) + 1);
  for (int col = 2; col < p.ColumnCount; ++col) {
    const int64_t weight = p.DataTable(0, col);
    std::fill(counts.begin(), counts.end(), 0);
    for (int i = 1; i <= n; ++i) {
      const int32_t v = p.DataTable(i, col);
      if (v > 0 && v <= n) ++counts[static_cast<size_t>(v)];
    }
    // Weight 0 adds nothing to any score, but its codes still count as categories would: skip.
    if (weight == 0) continue;
    for (int v = 1; v <= n; ++v) {
      const int32_t count = counts[static_cast<size_t>(v)];
      if (count < 2) continue;
      const bool turned = count > n / 2;
      Category category{weight, {}};
      for (int i = 1; i <= n; ++i) {
        if ((p.DataTable(i, col) == v) != turned) category.members.push_back(i);
      }
      if (category.members.size() >= 2) categories.push_back(std::move(category));
    }
  }
  return categories;
}

}  // namespace quorvale
