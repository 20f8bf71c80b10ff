// Selection, keys, the sort by key and the write-back of the scrambler.
#include "engine/scrambler.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace quorvale {

void Scramble(Problem& p, int32_t scramble_type, int32_t scramble_rate, RandomSource& random) {
  const int n = p.PersonCount;
  Table2D<int32_t>& list = p.ShuffleList;
  int count = 0;
  for (int person = 1; person <= n; ++person) {
    if (p.Type(person) != scramble_type) continue;
    bool chosen = p.PersonConflict[static_cast<size_t>(person)] >= 1;
    if (!chosen && scramble_rate > 0) chosen = random.Next() % 100 + 1 <= scramble_rate;
    if (!chosen) continue;
    ++count;
    list(count, 0) = person;
    list(count, 1) = p.Assignment[static_cast<size_t>(person)];
  }
  if (count <= 2) return;
  for (int row = 1; row <= count; ++row) list(row, 2) = random.Next();

  // Rows sorted by key, equal keys in their order: the same permutation as exchanging
  // neighbours until no key is followed by a smaller one. Only the group and key columns move.
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return list(a, 2) < list(b, 2); });
  std::vector<int32_t> groups(static_cast<size_t>(count));
  std::vector<int32_t> keys(static_cast<size_t>(count));
  for (size_t i = 0; i < order.size(); ++i) {
    groups[i] = list(order[i], 1);
    keys[i] = list(order[i], 2);
  }
  for (int row = 1; row <= count; ++row) {
    list(row, 1) = groups[static_cast<size_t>(row - 1)];
    list(row, 2) = keys[static_cast<size_t>(row - 1)];
    p.Assignment[static_cast<size_t>(list(row, 0))] = list(row, 1);
  }
}

}  // namespace quorvale
