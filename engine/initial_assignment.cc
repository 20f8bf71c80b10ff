// Dealing, evaluation and the start values of the search.
//
// The fast evaluation adds whole matrix rows into the group table's columns; it relies on
// ConflictMatrix being symmetric with a zero diagonal, as BuildConflictMatrix makes it. Where the
// fast kernels do not apply, the plain engine evaluates.
#include "engine/initial_assignment.h"

#include <algorithm>

#include "engine/fast_tables.h"
#include "engine/kernels/fast_kernels.h"
#include "engine/plain_engine.h"
#include "engine/proportional_deal.h"
#include "engine/rounds_start.h"

namespace quorvale {

namespace {

int32_t GroupForCounter(const Problem& p, int32_t counter) {
  if (p.params.TypeMode != 2) return counter % p.GroupCount() + 1;
  const int32_t m = p.BaseGroupSize;
  const int32_t r = p.LargeGroupCount;
  const int32_t large_places = (m + 1) * r;
  if (counter < large_places) return counter / (m + 1) + 1;
  return (counter - large_places) / m + r + 1;
}

// Each type in proportion to the group sizes (ProportionalCounts), pinned persons in their
// groups, the others of a type in person order, in turn over the groups that still need one.
// A pinned person then takes a type of its own, so that no exchange ever moves it.
void DealByShares(Problem& p) {
  const int n = p.PersonCount();
  const int g_count = p.GroupCount();
  const auto types = static_cast<size_t>(p.BalanceTypes);
  std::vector<int32_t> sizes(static_cast<size_t>(g_count));
  for (int g = 1; g <= g_count; ++g) sizes[static_cast<size_t>(g - 1)] = p.GroupSize(g);
  std::vector<int32_t> holders(types, 0);
  std::vector<std::vector<int32_t>> pinned(sizes.size(), std::vector<int32_t>(types, 0));
  const auto pin_of = [&](int i) {
    return p.PinnedGroup.empty() ? 0 : p.PinnedGroup[static_cast<size_t>(i)];
  };
  for (int i = 1; i <= n; ++i) {
    const auto t = static_cast<size_t>(p.Type(i) - 1);
    ++holders[t];
    if (pin_of(i) > 0) ++pinned[static_cast<size_t>(pin_of(i) - 1)][t];
  }
  std::vector<std::vector<int32_t>> need = ProportionalCounts(sizes, holders, pinned);
  if (need.empty()) return;  // pins beyond a group's size: nothing is dealt
  for (int i = 1; i <= n; ++i) {
    if (pin_of(i) == 0) continue;
    p.Assignment[static_cast<size_t>(i)] = pin_of(i);
    --need[static_cast<size_t>(pin_of(i) - 1)][static_cast<size_t>(p.Type(i) - 1)];
  }
  std::vector<int32_t> next(types, 0);  // per type: the group to try first
  for (int i = 1; i <= n; ++i) {
    if (pin_of(i) > 0) continue;
    const auto t = static_cast<size_t>(p.Type(i) - 1);
    int32_t& g = next[t];
    while (need[static_cast<size_t>(g)][t] == 0) g = (g + 1) % g_count;
    --need[static_cast<size_t>(g)][t];
    p.Assignment[static_cast<size_t>(i)] = g + 1;
    g = (g + 1) % g_count;
  }
  int32_t single = p.BalanceTypes;
  for (int i = 1; i <= n; ++i) {
    if (pin_of(i) > 0) p.DataTable(i, 1) = ++single;
  }
}

}  // namespace

void DealInitialAssignment(Problem& p) {
  if (p.BalanceTypes > 0) {
    DealByShares(p);
    return;
  }
  const int n = p.PersonCount();
  const bool one_type = p.params.TypeMode == 3;
  if (one_type) {
    for (int i = 1; i <= n; ++i) p.DataTable(i, 1) = 1;
  }
  const int last_type = one_type ? 1 : 2;
  int32_t counter = 0;
  for (int type = 1; type <= last_type; ++type) {
    for (int i = 1; i <= n; ++i) {
      if (p.Type(i) != type) continue;
      p.Assignment[static_cast<size_t>(i)] = GroupForCounter(p, counter);
      ++counter;
    }
  }
}

namespace {

// The pair score of Assignment, with the group table and PersonConflict.
int64_t EvaluatePairs(Problem& p, const Engine& engine) {
  FastTables tables;
  if (engine.kernels() == nullptr || !tables.Prepare(p) || !tables.LoadAssignment(p)) {
    return PlainEvaluateAssignment(p);
  }
  const FastKernels& kernels = *engine.kernels();
  const int n = p.PersonCount();
  const Table2D<int16_t>& matrix = p.ConflictMatrix;
  // Group g's column of the table is the sum of its members' matrix rows: pure streaming adds,
  // a few rows at a time so that the column is read and written once per batch. Integer sums
  // are exact in any order, and the matrix is symmetric, so this equals the sum over the upper
  // half alone.
  tables.SortByGroup();
  constexpr int kBatch = 4;
  for (int32_t g = 0; g < tables.slots(); ++g) {
    int32_t* column = p.GroupConflictTable.Column(g);
    std::fill(column, column + p.GroupConflictTable.stride(), 0);
    const int32_t* members = tables.order() + tables.start()[g];
    const int32_t count = tables.start()[g + 1] - tables.start()[g];
    for (int32_t i = 0; i < count; i += kBatch) {
      const int batch = std::min(kBatch, count - i);
      const int16_t* rows[kBatch] = {};
      for (int b = 0; b < batch; ++b) rows[b] = matrix.Row(members[i + b]);
      kernels.add_rows(column, rows, batch, n + 1);
    }
  }
  const int16_t* grp = tables.grp();
  int64_t sum = 0;
  p.PersonConflict[0] = 0;
  for (int i = 1; i <= n; ++i) {
    const int32_t own = p.GroupConflictTable(i, grp[i]);
    p.PersonConflict[static_cast<size_t>(i)] = own;
    sum += own;
  }
  p.CurrentScore = sum / 2;
  return p.CurrentScore;
}

// CurrentScore with the wishes beyond pairs.
int64_t AddTerms(Problem& p) {
  if (!p.Terms.empty()) p.CurrentScore += p.Terms.Load(p.Assignment);
  return p.CurrentScore;
}

}  // namespace

int64_t EvaluateAssignment(Problem& p, const Engine& engine) {
  EvaluatePairs(p, engine);
  return AddTerms(p);
}

int64_t EvaluateAfterMoves(Problem& p, const Engine& engine, const std::vector<int32_t>& before) {
  const int n = p.PersonCount();
  int moved = 0;
  for (int i = 1; i <= n; ++i)
    moved += p.Assignment[static_cast<size_t>(i)] != before[static_cast<size_t>(i)];
  // A move reads two rows and two columns; the full sum reads each row once, four to a column
  // pass.
  FastTables tables;
  if (engine.kernels() == nullptr || 3 * moved >= n || !tables.Prepare(p) ||
      !tables.LoadAssignment(p)) {
    return EvaluateAssignment(p, engine);
  }
  // A person moves from its old group's column to its new one as an exchange with person 0,
  // whose matrix row is all zeros. The kernel's pc entries are scratch.
  GroupTable& table = p.GroupConflictTable;
  ExchangeRows rows{nullptr,
                    p.ConflictMatrix.Row(0),
                    nullptr,
                    nullptr,
                    tables.grp(),
                    tables.pc(),
                    nullptr,
                    0,
                    0,
                    0,
                    n,
                    false};
  for (int i = 1; i <= n; ++i) {
    const int32_t from = before[static_cast<size_t>(i)];
    const int32_t to = p.Assignment[static_cast<size_t>(i)];
    if (from == to) continue;
    rows.mk = p.ConflictMatrix.Row(i);
    rows.tt_gj = table.Column(to);
    rows.tt_gk = table.Column(from);
    rows.gj = to;
    rows.gk = from;
    engine.kernels()->apply_exchange(rows);
  }
  int64_t sum = 0;
  p.PersonConflict[0] = 0;
  for (int i = 1; i <= n; ++i) {
    const int32_t own = table(i, p.Assignment[static_cast<size_t>(i)]);
    p.PersonConflict[static_cast<size_t>(i)] = own;
    sum += own;
  }
  p.CurrentScore = sum / 2;
  return AddTerms(p);
}

int64_t CountNonZeroPairs(const Problem& p) {
  const int n = p.PersonCount();
  int64_t count = 0;
  for (int k = 1; k < n; ++k) {
    const int16_t* row = p.ConflictMatrix.Row(k);
    for (int j = k + 1; j <= n; ++j) count += row[j] != 0;
  }
  return count;
}

void KeepAsBest(Problem& p) {
  p.BestScore = p.CurrentScore;
  std::copy(p.Assignment.begin() + 1, p.Assignment.end(), p.BestAssignment.begin() + 1);
  std::copy(p.PersonConflict.begin() + 1, p.PersonConflict.end(), p.BestPersonConflict.begin() + 1);
}

void SetUpStartValues(Problem& p, const Engine& engine) {
  // The first fast descent makes the type order anew, for this matrix.
  p.PersonsByType.Clear();
  p.LargestRowSum = -1;
  p.Terms = WishTerms(p);
  EvaluateAssignment(p, engine);
  const int64_t n = p.PersonCount();
  const int64_t pairs = p.NonZeroPairs >= 0 ? p.NonZeroPairs : CountNonZeroPairs(p);
  p.ConflictDensity = static_cast<int32_t>(pairs * 100 / (n * (n - 1)));
  KeepAsBest(p);
  const Parameters& params = p.params;
  // The parameter checks guarantee that the product fits; the factors are widened so that a
  // run count of 0 cannot hide an overflow of the other two.
  p.TotalCycles = static_cast<int32_t>((int64_t{params.FocusCycles} + params.SpreadCycles) *
                                       params.StagesPerRun * params.RunCount);
  p.BestRounds.clear();
  if (p.Rounds > 1) SetUpRounds(p, engine);
}

}  // namespace quorvale
