// The counts by a flow with bounds. Each cell starts at its lower bound; a maximum flow from the
// types (their holders still to place) through the cells (room up to the upper bound) to the
// groups (places still free) places the rest. With bounds floor and ceiling of the shares such a
// flow always exists (every table of shares with whole row and column totals can be rounded so);
// pins can push a cell past them, and then the bounds are widened by one at a time until one does.
#include "engine/proportional_deal.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvale {

namespace {

// A small maximum flow on a dense graph (augmenting paths found breadth first): the graph has one
// node per type and per group.
class DenseFlow {
 public:
  explicit DenseFlow(size_t nodes) : n_(nodes), cap_(nodes * nodes, 0) {}
  int64_t& Cap(size_t from, size_t to) { return cap_[from * n_ + to]; }
  int64_t Run(size_t source, size_t sink) {
    int64_t total = 0;
    std::vector<size_t> parent(n_);
    for (;;) {
      std::fill(parent.begin(), parent.end(), n_);
      parent[source] = source;
      std::vector<size_t> queue{source};
      for (size_t head = 0; head < queue.size() && parent[sink] == n_; ++head) {
        const size_t u = queue[head];
        for (size_t v = 0; v < n_; ++v) {
          if (parent[v] == n_ && Cap(u, v) > 0) {
            parent[v] = u;
            queue.push_back(v);
          }
        }
      }
      if (parent[sink] == n_) return total;
      int64_t push = std::numeric_limits<int64_t>::max();
      for (size_t v = sink; v != source; v = parent[v]) push = std::min(push, Cap(parent[v], v));
      for (size_t v = sink; v != source; v = parent[v]) {
        Cap(parent[v], v) -= push;
        Cap(v, parent[v]) += push;
      }
      total += push;
    }
  }

 private:
  size_t n_;
  std::vector<int64_t> cap_;
};

}  // namespace

std::vector<std::vector<int32_t>> ProportionalCounts(
    const std::vector<int32_t>& sizes, const std::vector<int32_t>& holders,
    const std::vector<std::vector<int32_t>>& pinned) {
  const size_t groups = sizes.size();
  const size_t types = holders.size();
  int64_t persons = 0;
  for (const int32_t h : holders) persons += h;
  const auto pinned_at = [&](size_t g, size_t t) { return pinned.empty() ? 0 : pinned[g][t]; };
  // Floor and ceiling of each share, in whole persons.
  std::vector<std::vector<int64_t>> floor(groups, std::vector<int64_t>(types));
  std::vector<std::vector<int64_t>> ceil(groups, std::vector<int64_t>(types));
  for (size_t g = 0; g < groups; ++g) {
    for (size_t t = 0; t < types; ++t) {
      const int64_t scaled = int64_t{holders[t]} * sizes[g];
      floor[g][t] = persons == 0 ? 0 : scaled / persons;
      ceil[g][t] = persons == 0 ? 0 : (scaled + persons - 1) / persons;
    }
  }
  const size_t source = groups + types;
  const size_t sink = source + 1;
  // At the widest the bounds are the pins and the whole group: feasible whenever the pins fit.
  for (int64_t widen = 0; widen <= persons + 1; ++widen) {
    std::vector<std::vector<int32_t>> counts(groups, std::vector<int32_t>(types));
    std::vector<int64_t> free_places(sizes.begin(), sizes.end());
    std::vector<int64_t> to_place(holders.begin(), holders.end());
    DenseFlow flow(groups + types + 2);
    bool fits = true;
    for (size_t g = 0; g < groups; ++g) {
      for (size_t t = 0; t < types; ++t) {
        const int64_t low = std::max<int64_t>({pinned_at(g, t), floor[g][t] - widen, 0});
        const int64_t high = std::max<int64_t>(pinned_at(g, t), ceil[g][t] + widen);
        counts[g][t] = static_cast<int32_t>(low);
        free_places[g] -= low;
        to_place[t] -= low;
        flow.Cap(t, types + g) = high - low;
      }
    }
    int64_t needed = 0;
    for (size_t t = 0; t < types; ++t) {
      fits = fits && to_place[t] >= 0;
      flow.Cap(source, t) = std::max<int64_t>(to_place[t], 0);
      needed += std::max<int64_t>(to_place[t], 0);
    }
    for (size_t g = 0; g < groups; ++g) {
      fits = fits && free_places[g] >= 0;
      flow.Cap(types + g, sink) = std::max<int64_t>(free_places[g], 0);
    }
    if (!fits || flow.Run(source, sink) != needed) continue;
    // What flowed through a cell is its back capacity.
    for (size_t g = 0; g < groups; ++g) {
      for (size_t t = 0; t < types; ++t) {
        counts[g][t] += static_cast<int32_t>(flow.Cap(types + g, t));
      }
    }
    return counts;
  }
  return {};
}

}  // namespace quorvale
