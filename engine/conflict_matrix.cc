// Conflict matrix and Target Score.
//
// Two persons conflict in a column when they hold the same code there, except for an inverted
// code (held by more than half of the persons, in a column that turns its majority): its holders
// lose it, and instead every two persons who do not hold it conflict. The matrix is symmetric with
// a zero diagonal, row 0 and column 0, which the incremental updates of the descent rely on.
#include "engine/conflict_matrix.h"

#include <algorithm>
#include <vector>

#include "engine/matrix_rows.h"
#include "engine/repeat_meetings.h"
#include "engine/wish_terms.h"

namespace quorvale {

namespace {

// Counts the codes of one column into `histogram` (N + 1 entries), finds a majority code and adds
// the column's bound terms, which it also records in ColumnBounds. Returns the inverted code (0
// when there is none); DataTable is left as it is.
int32_t CountColumn(Problem& p, int col, int64_t weight, std::vector<int32_t>& histogram,
                    const std::vector<int32_t>& sizes) {
  const int n = p.PersonCount();
  ColumnBound& bound = p.ColumnBounds[static_cast<size_t>(col)];
  bound = ColumnBound{};
  bound.weight = static_cast<int32_t>(weight);
  std::fill(histogram.begin(), histogram.end(), 0);
  for (int i = 1; i <= n; ++i) {
    const int32_t v = p.DataTable(i, col);
    if (v > 0) ++histogram[static_cast<size_t>(v)];
  }
  int32_t inverted = 0;
  for (int v = 1; v <= n; ++v) {
    int32_t& count = histogram[static_cast<size_t>(v)];
    if (count < 2) continue;
    if (count > n / 2 && p.TurnsMajority(col)) {
      inverted = v;
      count = n - count;
      bound.majority_code = v;
      bound.majority_holder.assign(static_cast<size_t>(n) + 1, 0);
      for (int i = 1; i <= n; ++i) {
        if (p.DataTable(i, col) == v) bound.majority_holder[static_cast<size_t>(i)] = 1;
      }
    }
    // Spreading evenly is the least whatever the sizes; packing depends on them.
    const int64_t packed = sizes.empty() ? MaxPackedPairs(count, p.BaseGroupSize, p.LargeGroupCount)
                                         : MaxPackedPairsIn(count, sizes);
    const int64_t term =
        weight > 0 ? MinSpreadPairs(count, p.GroupCount()) * weight : packed * weight;
    bound.least += term;
    p.TargetScore += term;
  }
  return inverted;
}

// The holders of an inverted code lose it.
void ClearInvertedCode(Problem& p, int col, int32_t inverted) {
  if (inverted == 0) return;
  for (int i = 1; i <= p.PersonCount(); ++i) {
    if (p.DataTable(i, col) == inverted) p.DataTable(i, col) = 0;
  }
}

}  // namespace

int64_t MinSpreadPairs(int64_t holders, int64_t groups) {
  const int64_t q = holders / groups;
  const int64_t r = holders % groups;
  return r * q + ((q - 1) * q * groups) / 2;
}

int64_t MaxPackedPairs(int64_t holders, int64_t base_size, int64_t large_groups) {
  const int64_t m = base_size;
  const int64_t cap = (m + 1) * large_groups;
  const int64_t a = std::min(holders, cap);
  const int64_t b1 = a / (m + 1);
  const int64_t s1 = b1 * (m + 1);
  const int64_t r1 = a - s1;
  // With more groups than persons (M = 0) every holder fits in the groups of one, and nothing is
  // left over for groups of M.
  const int64_t b2 = m > 0 ? (holders - a) / m : 0;
  const int64_t s2 = b2 * m;
  const int64_t r2 = holders - s2 - r1 - s1;
  return (r2 * (r2 - 1)) / 2 + (r1 * (r1 - 1)) / 2 + ((m - 1) * s2) / 2 + (m * s1) / 2;
}

int64_t MaxPackedPairsIn(int64_t holders, const std::vector<int32_t>& sizes_largest_first) {
  int64_t pairs = 0;
  for (const int32_t size : sizes_largest_first) {
    const int64_t here = std::min<int64_t>(holders, size);
    pairs += here * (here - 1) / 2;
    holders -= here;
  }
  return pairs;
}

Status BuildConflictMatrix(Problem& p, KernelLevel level) {
  p.BaseGroupSize = p.PersonCount() / p.GroupCount();
  p.LargeGroupCount = p.PersonCount() % p.GroupCount();
  p.TargetScore = 0;
  p.NonZeroPairs = -1;
  p.ColumnBounds.assign(static_cast<size_t>(p.ColumnCount()), ColumnBound{});

  std::vector<int32_t> inverted(static_cast<size_t>(p.ColumnCount()), 0);
  std::vector<int32_t> histogram(static_cast<size_t>(p.PersonCount()) + 1);
  // Given sizes, largest first; none: the M + 1 and M of the data files.
  const std::vector<int32_t> sizes =
      p.GroupSizes.empty() ? std::vector<int32_t>{} : SizesLargestFirst(p);
  for (int col = 2; col < p.ColumnCount(); ++col) {
    inverted[static_cast<size_t>(col)] = CountColumn(p, col, p.DataTable(0, col), histogram, sizes);
  }
  int64_t non_zero_pairs = 0;
  Status status = FillMatrixRows(p, CollectPairColumns(p, inverted),
                                 std::min(level, SupportedKernelLevel()), non_zero_pairs);
  for (int col = 2; col < p.ColumnCount(); ++col) {
    ClearInvertedCode(p, col, inverted[static_cast<size_t>(col)]);
  }
  if (!status.ok()) return status;
  p.NonZeroPairs = non_zero_pairs;

  // The wishes beyond pairs add what no grouping can avoid of them; rounds, what every round and
  // the repeats cannot avoid.
  p.TargetScore = ScheduleTargetScore(p, p.TargetScore + WishTerms::Bound(p));
  p.ShownTargetScore = static_cast<float>(static_cast<double>(p.TargetScore) / 100.0);
  return Status::Ok();
}

}  // namespace quorvale
