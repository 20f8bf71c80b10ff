// What the data files can state of a model.
#include "model/model.h"

#include <algorithm>
#include <functional>

namespace quorvale {

std::vector<int32_t> SizesLargestFirst(const Model& model) {
  std::vector<int32_t> sizes;
  for (int g = 1; g <= model.GroupCount(); ++g) sizes.push_back(model.GroupSize(g));
  std::sort(sizes.begin(), sizes.end(), std::greater<>());
  return sizes;
}

bool DataFilesStateModel(const Model& model) {
  if (!model.GroupSizes.empty() || !model.PinnedGroup.empty() || model.BalanceTypes > 0 ||
      !model.Buddies.empty() || !model.Averages.empty() || model.Rounds > 1) {
    return false;
  }
  const int n = model.PersonCount();
  std::vector<int32_t> holders;
  for (int col = 2; col < model.ColumnCount(); ++col) {
    if (model.TurnsMajority(col) || model.DataTable(0, col) == 0) continue;
    holders.assign(static_cast<size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
      const int32_t code = model.DataTable(i, col);
      if (code > 0 && code <= n && ++holders[static_cast<size_t>(code)] > n / 2 &&
          holders[static_cast<size_t>(code)] >= 2) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace quorvale
