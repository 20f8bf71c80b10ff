// Conflict matrix and Target Score.
//
// Two persons conflict in a column when they hold the same code there, except for an inverted
// code (held by more than half of the persons): its holders lose it, and instead every two
// persons who do not hold it conflict. The matrix is symmetric with a zero diagonal, row 0 and
// column 0, which the incremental updates of the descent rely on.
#include "engine/conflict_matrix.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/format.h"

namespace quorvale {

namespace {

constexpr int64_t kPairMin = std::numeric_limits<int16_t>::min();
constexpr int64_t kPairMax = std::numeric_limits<int16_t>::max();

// Counts the codes of one column, inverts a majority code and adds the column's bound terms.
void CountColumn(Problem& p, int col, int64_t weight) {
  const int n = p.PersonCount;
  std::fill(p.CodeHistogram.begin(), p.CodeHistogram.end(), 0);
  std::fill(p.NonHolderFlags.begin(), p.NonHolderFlags.end(), 0);
  for (int i = 1; i <= n; ++i) {
    const int32_t v = p.DataTable(i, col);
    if (v > 0) ++p.CodeHistogram[static_cast<size_t>(v)];
  }
  for (int v = 1; v <= n; ++v) {
    int32_t& count = p.CodeHistogram[static_cast<size_t>(v)];
    if (count < 2) continue;
    if (count > n / 2) {
      p.NonHolderFlags[0] = 1;
      count = n - count;
      for (int i = 1; i <= n; ++i) {
        if (p.DataTable(i, col) == v) {
          p.DataTable(i, col) = 0;
        } else {
          p.NonHolderFlags[static_cast<size_t>(i)] = 1;
        }
      }
    }
    p.TargetScore += weight > 0
                         ? MinSpreadPairs(count, p.GroupCount) * weight
                         : MaxPackedPairs(count, p.BaseGroupSize, p.LargeGroupCount) * weight;
  }
}

// Adds the column's weight to every pair that shares a code or, with an inverted code, to every
// pair of non-holders. `Cell` is the matrix element: int16_t when no total can leave its range,
// int32_t when totals must be checked before they are narrowed.
template <typename Cell>
void AccumulateColumn(Problem& p, int col, int32_t weight, Table2D<Cell>& matrix) {
  const int n = p.PersonCount;
  const auto add = [&](int k, int j) {
    matrix(k, j) = static_cast<Cell>(matrix(k, j) + weight);
    matrix(j, k) = static_cast<Cell>(matrix(j, k) + weight);
  };
  for (int k = 1; k < n; ++k) {
    const int32_t code = p.DataTable(k, col);
    if (code <= 0) continue;
    for (int j = k + 1; j <= n; ++j) {
      if (p.DataTable(j, col) == code) add(k, j);
    }
  }
  if (p.NonHolderFlags[0] != 1) return;
  for (int k = 1; k < n; ++k) {
    if (p.NonHolderFlags[static_cast<size_t>(k)] != 1) continue;
    for (int j = k + 1; j <= n; ++j) {
      if (p.NonHolderFlags[static_cast<size_t>(j)] == 1) add(k, j);
    }
  }
}

template <typename Cell>
void AccumulateAllColumns(Problem& p, Table2D<Cell>& matrix) {
  for (int col = 2; col < p.ColumnCount; ++col) {
    const int32_t weight = p.DataTable(0, col);
    CountColumn(p, col, weight);
    AccumulateColumn(p, col, weight, matrix);
  }
}

// Narrows checked wide totals into the 16-bit matrix, or names the first pair out of range.
template <typename Wide>
Status NarrowTotals(const Table2D<Wide>& wide, Problem& p) {
  const int n = p.PersonCount;
  for (int k = 1; k < n; ++k) {
    for (int j = k + 1; j <= n; ++j) {
      const int64_t total = wide(k, j);
      if (total < kPairMin || total > kPairMax) {
        return Status::Error(StringPrintf(
            "Persons %d and %d share categories whose weights add up to %lld, but a pair's total "
            "weight must lie between -32768 and 32767. Lower the column weights in data.txt.",
            k, j, static_cast<long long>(total)));
      }
      p.ConflictMatrix(k, j) = static_cast<int16_t>(total);
      p.ConflictMatrix(j, k) = static_cast<int16_t>(total);
    }
  }
  return Status::Ok();
}

template <typename Wide>
Status AccumulateChecked(Problem& p) {
  Table2D<Wide> wide;
  const auto size = static_cast<size_t>(p.PersonCount) + 1;
  if (!wide.Allocate(size, size)) {
    return Status::Error("Not enough memory to check the totals of the pair weights.");
  }
  AccumulateAllColumns(p, wide);
  return NarrowTotals(wide, p);
}

// The group sums are 32-bit: every person's absolute weights must add up within that range.
Status CheckRowSums(const Problem& p) {
  const int n = p.PersonCount;
  if (static_cast<int64_t>(n) * -kPairMin <= std::numeric_limits<int32_t>::max()) {
    return Status::Ok();
  }
  for (int k = 1; k <= n; ++k) {
    int64_t sum = 0;
    const int16_t* row = p.ConflictMatrix.Row(k);
    for (int j = 1; j <= n; ++j) sum += std::abs(static_cast<int32_t>(row[j]));
    if (sum > std::numeric_limits<int32_t>::max()) {
      return Status::Error(StringPrintf(
          "The pair weights of person %d add up to %lld, more than the program can total (%d). "
          "Use smaller column weights.",
          k, static_cast<long long>(sum), std::numeric_limits<int32_t>::max()));
    }
  }
  return Status::Ok();
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

Status BuildConflictMatrix(Problem& p) {
  p.BaseGroupSize = p.PersonCount / p.GroupCount;
  p.LargeGroupCount = p.PersonCount % p.GroupCount;
  p.TargetScore = 0;

  // A column adds its weight at most twice to a pair (a shared code and, with an inverted code,
  // as non-holders). When even that cannot leave the 16-bit range, accumulate in place.
  int64_t reachable = 0;
  for (int col = 2; col < p.ColumnCount; ++col)
    reachable += 2 * std::abs(int64_t{p.DataTable(0, col)});
  Status status = Status::Ok();
  if (reachable <= kPairMax) {
    AccumulateAllColumns(p, p.ConflictMatrix);
  } else if (reachable <= std::numeric_limits<int32_t>::max()) {
    status = AccumulateChecked<int32_t>(p);
  } else {
    status = AccumulateChecked<int64_t>(p);
  }
  if (!status.ok()) return status;
  status = CheckRowSums(p);
  if (!status.ok()) return status;

  p.ShownTargetScore = static_cast<float>(static_cast<double>(p.TargetScore) / 100.0);
  return Status::Ok();
}

}  // namespace quorvale
