// Selection, keys, the sort by key and the write-back of the scrambler.
#include "engine/scrambler.h"

#include <algorithm>
#include <vector>

namespace quorvale {

void Scramble(Problem& p, int32_t scramble_type, int32_t scramble_rate, RandomSource& random) {
  const int n = p.PersonCount();
  // The chosen persons with their groups and keys; this call's own scratch, one small
  // allocation per pass next to a full evaluation.
  struct Entry {
    int32_t key;
    int32_t row;
    int32_t group;
  };
  std::vector<int32_t> persons;
  std::vector<Entry> entries;
  for (int person = 1; person <= n; ++person) {
    if (p.Type(person) != scramble_type) continue;
    bool chosen = p.PersonConflict[static_cast<size_t>(person)] >= 1 ||
                  p.Terms.Alone(person, p.Assignment[static_cast<size_t>(person)]);
    if (!chosen && scramble_rate > 0) chosen = random.Next() % 100 + 1 <= scramble_rate;
    if (!chosen) continue;
    persons.push_back(person);
    entries.push_back(
        {0, static_cast<int32_t>(entries.size()), p.Assignment[static_cast<size_t>(person)]});
  }
  if (entries.size() <= 2) return;
  for (Entry& entry : entries) entry.key = random.Next();

  // Entries sorted by key, equal keys in their order: the same permutation as exchanging
  // neighbours until no key is followed by a smaller one. Ordering by (key, row) makes the sort
  // stable without std::stable_sort's buffer.
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.key != b.key ? a.key < b.key : a.row < b.row;
  });
  for (size_t i = 0; i < entries.size(); ++i) {
    p.Assignment[static_cast<size_t>(persons[i])] = entries[i].group;
  }
}

}  // namespace quorvale
