#include "bench/peer_run.h"

#include <algorithm>

namespace quorvale::bench {

void RandomGrouping(const Problem& p, std::mt19937_64& rng, std::vector<int32_t>& grouping) {
  grouping = p.Assignment;
  for (int32_t type = 1; type <= 2; ++type) {
    std::vector<int32_t> persons;
    std::vector<int32_t> groups;
    for (int32_t r = 1; r <= p.PersonCount(); ++r) {
      if (p.Type(r) != type || grouping[static_cast<size_t>(r)] == 0) continue;
      persons.push_back(r);
      groups.push_back(grouping[static_cast<size_t>(r)]);
    }
    std::shuffle(groups.begin(), groups.end(), rng);
    for (size_t i = 0; i < persons.size(); ++i) {
      grouping[static_cast<size_t>(persons[i])] = groups[i];
    }
  }
}

}  // namespace quorvale::bench
