// The portable kernels.
//
// The portable scan sums in 64 bits and tests eligibility directly, so it is exact for any table
// values; the descent also falls back to it when the group sums grow too large for the 32-bit
// vector scans.
#include "engine/kernels/fast_kernels.h"
#include "engine/kernels/exchange_gain.h"

#include <algorithm>
#include <cstdlib>

namespace quorvale {

namespace {

int32_t PortableFindGain(const ScanRow& row, int32_t first) {
  FillLookup(row);
  for (int32_t j = first; j <= row.n; ++j) {
    const int32_t g = row.grp[j];
    if (g == row.gk || (!row.one_class && row.cls[j] != row.ck)) continue;
    const int64_t gain = ScanGain(row.m_row[j], row.pc[j], row.tt_gk[j], row.lookup[g]);
    if (gain > 0) return j;
  }
  return 0;
}

int32_t PortableApplyExchange(const ExchangeRows& x) {
  int32_t largest = 0;
  for (int32_t r = x.first; r <= x.last; ++r) {
    const int32_t d = int32_t{x.mk[r]} - x.mj[r];
    const int32_t to_gj = x.tt_gj[r] + d;
    const int32_t to_gk = x.tt_gk[r] - d;
    x.tt_gj[r] = to_gj;
    x.tt_gk[r] = to_gk;
    const int32_t g = x.grp[r];
    if (g == x.gj) x.pc[r] = to_gj;
    if (g == x.gk) x.pc[r] = to_gk;
    if (x.person_conflict != nullptr) x.person_conflict[r] = x.pc[r];
    largest = std::max({largest, std::abs(to_gj), std::abs(to_gk)});
  }
  return largest;
}

void PortableAddRows(int32_t* dst, const int16_t* const* rows, int count, int32_t length) {
  for (int i = 0; i < count; ++i) {
    const int16_t* row = rows[i];
    for (int32_t r = 0; r < length; ++r) dst[r] += row[r];
  }
}

int32_t PortableLargest(const int32_t* column, size_t length) {
  int32_t largest = 0;
  for (size_t r = 0; r < length; ++r) largest = std::max(largest, std::abs(column[r]));
  return largest;
}

constexpr FastKernels kPortable{PortableFindGain, PortableApplyExchange, PortableAddRows,
                                PortableLargest};

}  // namespace

const FastKernels& PortableKernels() { return kPortable; }

}  // namespace quorvale
