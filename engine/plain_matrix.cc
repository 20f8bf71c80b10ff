// The column-by-column loops of the matrix build.
#include "engine/plain_matrix.h"

#include <algorithm>
#include <vector>

namespace quorvale {

int64_t PlainBuildMatrix(Problem& p) {
  const int n = p.PersonCount();
  Table2D<int16_t>& matrix = p.ConflictMatrix;
  const auto add = [&](int k, int j, int32_t weight) {
    matrix(k, j) = static_cast<int16_t>(matrix(k, j) + weight);
    matrix(j, k) = static_cast<int16_t>(matrix(j, k) + weight);
  };
  std::vector<int32_t> holders(static_cast<size_t>(n) + 1);
  for (int col = 2; col < p.ColumnCount(); ++col) {
    const int32_t weight = p.DataTable(0, col);
    if (weight == 0) continue;
    std::fill(holders.begin(), holders.end(), 0);
    for (int i = 1; i <= n; ++i) {
      const int32_t code = p.DataTable(i, col);
      if (code > 0) ++holders[static_cast<size_t>(code)];
    }
    int32_t majority = 0;
    for (int v = 1; v <= n; ++v) {
      const int32_t count = holders[static_cast<size_t>(v)];
      if (count >= 2 && count > n / 2 && p.TurnsMajority(col)) majority = v;
    }
    for (int k = 1; k < n; ++k) {
      const int32_t code = p.DataTable(k, col);
      if (code <= 0 || code == majority) continue;
      for (int j = k + 1; j <= n; ++j) {
        if (p.DataTable(j, col) == code) add(k, j, weight);
      }
    }
    if (majority == 0) continue;
    for (int k = 1; k < n; ++k) {
      if (p.DataTable(k, col) == majority) continue;
      for (int j = k + 1; j <= n; ++j) {
        if (p.DataTable(j, col) != majority) add(k, j, weight);
      }
    }
  }
  int64_t count = 0;
  for (int k = 1; k < n; ++k) {
    for (int j = k + 1; j <= n; ++j) count += matrix(k, j) != 0;
  }
  return count;
}

}  // namespace quorvale
