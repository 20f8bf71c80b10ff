// The plain loops of the evaluation and the swap descent.
#include "engine/plain_engine.h"

#include "engine/swap_descent.h"

#include <algorithm>

namespace quorvale {

namespace {

// Moves k into group gj and j into gk, and brings every row of the tables up to date.
void Exchange(Problem& p, int k, int j, int64_t gain) {
  const int n = p.PersonCount();
  const int32_t gk = p.Assignment[static_cast<size_t>(k)];
  const int32_t gj = p.Assignment[static_cast<size_t>(j)];
  p.Assignment[static_cast<size_t>(k)] = gj;
  p.Assignment[static_cast<size_t>(j)] = gk;
  for (int r = 1; r <= n; ++r) {
    const int32_t to_k = p.ConflictMatrix(r, k);
    const int32_t to_j = p.ConflictMatrix(r, j);
    GroupTable& t = p.GroupConflictTable;
    t(r, gj) += to_k - to_j;
    t(r, gk) += to_j - to_k;
    p.PersonConflict[static_cast<size_t>(r)] = t(r, p.Assignment[static_cast<size_t>(r)]);
  }
  p.CurrentScore -= gain;
}

}  // namespace

int64_t PlainEvaluateAssignment(Problem& p) {
  const int n = p.PersonCount();
  std::fill(p.PersonConflict.begin(), p.PersonConflict.end(), 0);
  p.GroupConflictTable.FillZero();
  for (int k = 1; k < n; ++k) {
    const int16_t* row = p.ConflictMatrix.Row(k);
    const int32_t gk = p.Assignment[static_cast<size_t>(k)];
    GroupTable& t = p.GroupConflictTable;
    for (int j = k + 1; j <= n; ++j) {
      const int32_t w = row[j];
      if (w == 0) continue;
      t(k, p.Assignment[static_cast<size_t>(j)]) += w;
      t(j, gk) += w;
    }
  }
  int64_t sum = 0;
  for (int i = 1; i <= n; ++i) {
    const int32_t own = p.GroupConflictTable(i, p.Assignment[static_cast<size_t>(i)]);
    p.PersonConflict[static_cast<size_t>(i)] = own;
    sum += own;
  }
  p.CurrentScore = sum / 2;
  return p.CurrentScore;
}

bool PlainSwapDescent(Problem& p, SearchMonitor* monitor) {
  const int n = p.PersonCount();
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
        const int32_t gk = p.Assignment[static_cast<size_t>(k)];
        const int32_t gj = p.Assignment[static_cast<size_t>(j)];
        const int64_t gain = SwapGain(p, k, j) - p.Terms.ExchangeDelta(k, j, gk, gj);
        if (gain < 1) continue;
        p.Terms.Exchange(k, j, gk, gj);
        Exchange(p, k, j, gain);
        exchanged = true;
        if (monitor != nullptr) monitor->AfterExchange(p);
      }
    }
  }
  return true;
}

}  // namespace quorvale
