// The swap descent, written as plainly as the invariant allows.
#include "engine/swap_descent.h"

namespace quorvale {

namespace {

// Moves k into group gj and j into gk, and brings every row of the tables up to date.
void Exchange(Problem& p, int k, int j, int64_t gain) {
  const int n = p.PersonCount;
  const int32_t gk = p.Assignment[static_cast<size_t>(k)];
  const int32_t gj = p.Assignment[static_cast<size_t>(j)];
  p.Assignment[static_cast<size_t>(k)] = gj;
  p.Assignment[static_cast<size_t>(j)] = gk;
  for (int r = 1; r <= n; ++r) {
    const int32_t to_k = p.ConflictMatrix(r, k);
    const int32_t to_j = p.ConflictMatrix(r, j);
    int32_t* row = p.GroupConflictTable.Row(r);
    row[gj] += to_k - to_j;
    row[gk] += to_j - to_k;
    p.PersonConflict[static_cast<size_t>(r)] = row[p.Assignment[static_cast<size_t>(r)]];
  }
  p.CurrentScore -= gain;
}

}  // namespace

bool SwapDescent(Problem& p, SearchMonitor* monitor) {
  const int n = p.PersonCount;
  if (n < 2) return true;
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (int k = 1; k < n; ++k) {
      if (monitor != nullptr && monitor->StopRequested()) return false;
      const int32_t type_k = p.Type(k);
      for (int j = k + 1; j <= n; ++j) {
        // Person k's group is read afresh: an exchange earlier in this row moved it.
        if (p.Assignment[static_cast<size_t>(k)] == p.Assignment[static_cast<size_t>(j)] ||
            p.Type(j) != type_k) {
          continue;
        }
        const int64_t gain = SwapGain(p, k, j);
        if (gain < 1) continue;
        Exchange(p, k, j, gain);
        exchanged = true;
        if (monitor != nullptr) monitor->AfterExchange(p);
      }
    }
  }
  return true;
}

}  // namespace quorvale
