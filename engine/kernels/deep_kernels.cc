// Plain loops that the compiler vectorises once per processor level (target_clones); the file
// is built with -O3 so that it does.
#include "engine/kernels/deep_kernels.h"
#include "engine/kernels/exchange_gain.h"

#include <algorithm>
#include <limits>

namespace quorvale {

#define QM_DEEP_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))

QM_DEEP_CLONES int32_t DeepScanMax(const DeepScanRow& scan, int32_t from, int32_t to) {
  const int16_t* row = scan.row;
  const int32_t* pc = scan.pc;
  const int32_t* tgk = scan.tgk;
  const int32_t* slot = scan.slot;
  const int32_t* kv = scan.kv;
  int32_t best = std::numeric_limits<int32_t>::min();
  for (int32_t j = from; j <= to; ++j) {
    best = std::max(best, ScanGain<int32_t>(row[j], pc[j], tgk[j], kv[slot[j]]));
  }
  return best;
}

QM_DEEP_CLONES int32_t DeepRowMagnitude(const int16_t* row, int32_t n) {
  int32_t sum = 0;
  for (int32_t r = 1; r <= n; ++r) sum += row[r] < 0 ? -int32_t{row[r]} : int32_t{row[r]};
  return sum;
}

QM_DEEP_CLONES void DeepAddRow(const int16_t* row, int32_t* to, int32_t n) {
  for (int32_t r = 1; r <= n; ++r) to[r] += row[r];
}

QM_DEEP_CLONES void DeepApplyExchange(const int16_t* mk, const int16_t* mj, int32_t* tk,
                                      int32_t* tj, const int32_t* grp, int32_t* pc, int32_t gk,
                                      int32_t gj, int32_t n) {
  for (int32_t r = 1; r <= n; ++r) {
    const int32_t d = int32_t{mj[r]} - int32_t{mk[r]};
    const int32_t in_k = tk[r] + d;
    const int32_t in_j = tj[r] - d;
    tk[r] = in_k;
    tj[r] = in_j;
    pc[r] = grp[r] == gk ? in_k : (grp[r] == gj ? in_j : pc[r]);
  }
}

}  // namespace quorvale
