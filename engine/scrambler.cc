// Selection, keys, the sort by key and the write-back of the scrambler.
#include "engine/scrambler.h"

#include <algorithm>
#include <vector>

namespace quorvale {

void Scramble(Problem& p, int32_t scramble_type, int32_t scramble_rate, RandomSource& random) {
  const int n = p.PersonCount();
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
  // Ordering by (key, row) makes the sort stable without std::stable_sort's buffer. The scratch
  // is this call's own: one small allocation per pass, next to a full evaluation.
  struct Entry {
    int32_t key;
    int32_t row;
    int32_t group;
  };
  std::vector<Entry> entries(static_cast<size_t>(count));
  for (int row = 1; row <= count; ++row) {
    entries[static_cast<size_t>(row - 1)] = {list(row, 2), row, list(row, 1)};
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.key != b.key ? a.key < b.key : a.row < b.row;
  });
  for (int row = 1; row <= count; ++row) {
    const Entry& from = entries[static_cast<size_t>(row - 1)];
    list(row, 1) = from.group;
    list(row, 2) = from.key;
    p.Assignment[static_cast<size_t>(list(row, 0))] = from.group;
  }
}

}  // namespace quorvale
