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
#include <vector>

#include "base/format.h"

namespace quorvale {

namespace {

constexpr int64_t kPairMin = std::numeric_limits<int16_t>::min();
constexpr int64_t kPairMax = std::numeric_limits<int16_t>::max();

// Counts the codes of one column, finds a majority code and adds the column's bound terms, which
// it also records in ColumnBounds. Returns the inverted code (0 when there is none) and marks its
// non-holders in NonHolderFlags; DataTable is left as it is.
int32_t CountColumn(Problem& p, int col, int64_t weight) {
  const int n = p.PersonCount();
  ColumnBound& bound = p.ColumnBounds[static_cast<size_t>(col)];
  bound = ColumnBound{};
  bound.weight = static_cast<int32_t>(weight);
  std::fill(p.CodeHistogram.begin(), p.CodeHistogram.end(), 0);
  std::fill(p.NonHolderFlags.begin(), p.NonHolderFlags.end(), 0);
  for (int i = 1; i <= n; ++i) {
    const int32_t v = p.DataTable(i, col);
    if (v > 0) ++p.CodeHistogram[static_cast<size_t>(v)];
  }
  int32_t inverted = 0;
  for (int v = 1; v <= n; ++v) {
    int32_t& count = p.CodeHistogram[static_cast<size_t>(v)];
    if (count < 2) continue;
    if (count > n / 2) {
      inverted = v;
      p.NonHolderFlags[0] = 1;
      count = n - count;
      bound.majority_code = v;
      bound.majority_holder.assign(static_cast<size_t>(n) + 1, 0);
      for (int i = 1; i <= n; ++i) {
        if (p.DataTable(i, col) == v) {
          bound.majority_holder[static_cast<size_t>(i)] = 1;
        } else {
          p.NonHolderFlags[static_cast<size_t>(i)] = 1;
        }
      }
    }
    const int64_t term = weight > 0
                             ? MinSpreadPairs(count, p.GroupCount()) * weight
                             : MaxPackedPairs(count, p.BaseGroupSize, p.LargeGroupCount) * weight;
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

// Adds the column's weight to every pair that shares a code or, with an inverted code, to every
// pair of non-holders, in place: only when no total can leave the 16-bit range.
void AccumulateColumn(Problem& p, int col, int32_t weight) {
  const int n = p.PersonCount();
  Table2D<int16_t>& matrix = p.ConflictMatrix;
  const auto add = [&](int k, int j) {
    matrix(k, j) = static_cast<int16_t>(matrix(k, j) + weight);
    matrix(j, k) = static_cast<int16_t>(matrix(j, k) + weight);
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

// Builds the matrix row by row when totals may leave the 16-bit range: the totals of one row
// are added up in 64 bits and checked before they are narrowed, so no scratch of the matrix's
// size is needed. Names the first pair, row by row, whose total is out of range.
// REQUIRES: `inverted` holds each column's inverted code, its holders not yet cleared.
Status AccumulateRowsChecked(Problem& p, const std::vector<int32_t>& inverted) {
  const int n = p.PersonCount();
  std::vector<int64_t> totals(static_cast<size_t>(n) + 1);
  for (int k = 1; k < n; ++k) {
    std::fill(totals.begin(), totals.end(), 0);
    for (int col = 2; col < p.ColumnCount(); ++col) {
      const int64_t weight = p.DataTable(0, col);
      const int32_t v = inverted[static_cast<size_t>(col)];
      const int32_t code = p.DataTable(k, col);
      if (weight == 0 || (code == v && v != 0)) continue;
      // k shares its code, unless that is the inverted one, which k does not hold here.
      if (code > 0) {
        for (int j = k + 1; j <= n; ++j) {
          if (p.DataTable(j, col) == code) totals[static_cast<size_t>(j)] += weight;
        }
      }
      // Two non-holders of the inverted code.
      if (v != 0) {
        for (int j = k + 1; j <= n; ++j) {
          if (p.DataTable(j, col) != v) totals[static_cast<size_t>(j)] += weight;
        }
      }
    }
    for (int j = k + 1; j <= n; ++j) {
      const int64_t total = totals[static_cast<size_t>(j)];
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

// The group sums are 32-bit: every person's absolute weights must add up within that range.
Status CheckRowSums(const Problem& p) {
  const int n = p.PersonCount();
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
  p.BaseGroupSize = p.PersonCount() / p.GroupCount();
  p.LargeGroupCount = p.PersonCount() % p.GroupCount();
  p.TargetScore = 0;
  p.ColumnBounds.assign(static_cast<size_t>(p.ColumnCount()), ColumnBound{});

  // A column adds its weight at most twice to a pair (a shared code and, with an inverted code,
  // as non-holders). When even that cannot leave the 16-bit range, accumulate in place.
  int64_t reachable = 0;
  for (int col = 2; col < p.ColumnCount(); ++col)
    reachable += 2 * std::abs(int64_t{p.DataTable(0, col)});
  Status status = Status::Ok();
  if (reachable <= kPairMax) {
    for (int col = 2; col < p.ColumnCount(); ++col) {
      const int32_t weight = p.DataTable(0, col);
      ClearInvertedCode(p, col, CountColumn(p, col, weight));
      AccumulateColumn(p, col, weight);
    }
  } else {
    std::vector<int32_t> inverted(static_cast<size_t>(p.ColumnCount()), 0);
    for (int col = 2; col < p.ColumnCount(); ++col) {
      inverted[static_cast<size_t>(col)] = CountColumn(p, col, p.DataTable(0, col));
    }
    status = AccumulateRowsChecked(p, inverted);
    for (int col = 2; col < p.ColumnCount(); ++col) {
      ClearInvertedCode(p, col, inverted[static_cast<size_t>(col)]);
    }
  }
  if (!status.ok()) return status;
  status = CheckRowSums(p);
  if (!status.ok()) return status;

  p.ShownTargetScore = static_cast<float>(static_cast<double>(p.TargetScore) / 100.0);
  return Status::Ok();
}

}  // namespace quorvale
