// The row build's driver loop, its portable kernel and the checks of the totals.
#include "engine/matrix_rows.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/format.h"

namespace quorvale {

namespace {

constexpr int64_t kPairMin = std::numeric_limits<int16_t>::min();
constexpr int64_t kPairMax = std::numeric_limits<int16_t>::max();
constexpr size_t kPad = 16;

int64_t PairTotal(const PairColumns& cols, const int32_t* keys, const int32_t* paired, int32_t j) {
  int64_t total = 0;
  for (size_t c = 0; c < cols.weights.size(); ++c) {
    const size_t at = c * cols.stride + static_cast<size_t>(j);
    if (cols.codes[at] == keys[c]) total += cols.weights[c];
    if (cols.non_holders[at] != 0) total += paired[c];
  }
  return total;
}

Status PairOutOfRange(int32_t k, int32_t j, int64_t total) {
  return Status::Error(StringPrintf(
      "Persons %d and %d share categories whose weights add up to %lld, but a pair's total "
      "weight must lie between -32768 and 32767. Lower the column weights in data.txt.",
      k, j, static_cast<long long>(total)));
}

Status RowSumTooLarge(int32_t k, int64_t sum) {
  return Status::Error(StringPrintf(
      "The pair weights of person %d add up to %lld, more than the program can total (%d). "
      "Use smaller column weights.",
      k, static_cast<long long>(sum), std::numeric_limits<int32_t>::max()));
}

}  // namespace

PairColumns CollectPairColumns(const Problem& p, const std::vector<int32_t>& inverted) {
  const int32_t n = p.PersonCount();
  PairColumns cols;
  cols.stride = (static_cast<size_t>(n) + 1 + kPad - 1) / kPad * kPad;
  size_t count = 0;
  for (int col = 2; col < p.ColumnCount(); ++col) count += p.DataTable(0, col) != 0;
  cols.codes.assign(count * cols.stride, 0);
  cols.non_holders.assign(count * cols.stride, 0);
  size_t c = 0;
  for (int col = 2; col < p.ColumnCount(); ++col) {
    const int32_t weight = p.DataTable(0, col);
    if (weight == 0) continue;
    const int32_t v = inverted[static_cast<size_t>(col)];
    cols.weights.push_back(weight);
    cols.inverted.push_back(v != 0 ? 1 : 0);
    // A column adds its weight at most twice to a pair: a shared code and, with an inverted
    // code, as two non-holders.
    cols.reachable += (v != 0 ? 2 : 1) * std::abs(int64_t{weight});
    int32_t* codes = cols.codes.data() + c * cols.stride;
    int32_t* non_holders = cols.non_holders.data() + c * cols.stride;
    for (int32_t i = 1; i <= n; ++i) {
      const int32_t code = p.DataTable(i, col);
      codes[i] = code > 0 && code != v ? code : 0;
      non_holders[i] = v != 0 && code != v ? -1 : 0;
    }
    ++c;
  }
  return cols;
}

RowFigures PortableMatrixRow(const PairColumns& cols, const int32_t* keys, const int32_t* paired,
                             int32_t k, int32_t n, int16_t* row) {
  RowFigures figures;
  for (int32_t j = 0; j <= n; ++j) {
    const int64_t total = j == k ? 0 : PairTotal(cols, keys, paired, j);
    figures.least = std::min(figures.least, total);
    figures.most = std::max(figures.most, total);
    figures.non_zero += total != 0;
    row[j] = static_cast<int16_t>(std::clamp(total, kPairMin, kPairMax));
  }
  return figures;
}

Status FillMatrixRows(Problem& p, const PairColumns& cols, KernelLevel level,
                      int64_t& non_zero_pairs) {
  const int32_t n = p.PersonCount();
  MatrixRowKernel kernel = PortableMatrixRow;
  if (cols.reachable <= std::numeric_limits<int32_t>::max()) {
    if (level >= KernelLevel::kAvx512) {
      kernel = Avx512MatrixRow;
    } else if (level >= KernelLevel::kAvx2) {
      kernel = Avx2MatrixRow;
    }
  }
  // The group sums are 32-bit: only past this many persons can a row's weights exceed them.
  const bool check_sums = int64_t{n} * -kPairMin > std::numeric_limits<int32_t>::max();
  Status sum_failure = Status::Ok();
  const size_t count = cols.weights.size();
  std::vector<int32_t> keys(count);
  std::vector<int32_t> paired(count);
  int64_t non_zero = 0;
  for (int32_t k = 1; k <= n; ++k) {
    for (size_t c = 0; c < count; ++c) {
      const size_t at = c * cols.stride + static_cast<size_t>(k);
      keys[c] = cols.codes[at] > 0 ? cols.codes[at] : -1;
      paired[c] = cols.non_holders[at] != 0 ? cols.weights[c] : 0;
    }
    int16_t* row = p.ConflictMatrix.Row(k);
    const RowFigures figures = kernel(cols, keys.data(), paired.data(), k, n, row);
    if (figures.least < kPairMin || figures.most > kPairMax) {
      // A pair before k in this row was checked in its own row already.
      for (int32_t j = k + 1; j <= n; ++j) {
        const int64_t total = PairTotal(cols, keys.data(), paired.data(), j);
        if (total < kPairMin || total > kPairMax) return PairOutOfRange(k, j, total);
      }
    }
    non_zero += figures.non_zero;
    if (check_sums && sum_failure.ok()) {
      int64_t sum = 0;
      for (int32_t j = 1; j <= n; ++j) sum += std::abs(int32_t{row[j]});
      if (sum > std::numeric_limits<int32_t>::max()) sum_failure = RowSumTooLarge(k, sum);
    }
  }
  // A pair out of range anywhere is the first thing to mend, so it is reported first.
  if (!sum_failure.ok()) return sum_failure;
  // Each pair was counted in both of its rows.
  non_zero_pairs = non_zero / 2;
  return Status::Ok();
}

}  // namespace quorvale
