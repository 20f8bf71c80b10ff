// The two inner loops of the deep search's chain, built for the widest vector unit the
// processor has (AVX-512, AVX2 or the baseline), chosen when the program loads.
#pragma once

#include <cstdint>

namespace quorvale {

// One person k's scan: gain(k, j) = 2 row[j] + pc[j] - tgk[j] + kv[slot[j]].
struct DeepScanRow {
  const int16_t* row;   // the matrix row of k
  const int32_t* pc;    // every person's weight with its own group
  const int32_t* tgk;   // every person's weight with k's group
  const int32_t* slot;  // the person's group if it may trade with k, else k's group or 0
  const int32_t* kv;    // per group h: k's weight with its own group less that with h
};

// The largest gain of the partners from..to, in 32-bit sums.
int32_t DeepScanMax(const DeepScanRow& scan, int32_t from, int32_t to);

// The first partner from..to with a positive gain, in 32-bit sums, or 0; `entries` is the length
// of kv. REQUIRES: a processor with AVX-512 (KernelLevel::kAvx512).
int32_t DeepFirstGainAvx512(const DeepScanRow& scan, int32_t from, int32_t to, int32_t entries);

// The sum of |row[r]| for r in 1..n. REQUIRES: n below 65536, so that it fits 32 bits.
int32_t DeepRowMagnitude(const int16_t* row, int32_t n);

// to[r] += row[r] for r in 1..n: one member's row added to its group's column of the tables.
void DeepAddRow(const int16_t* row, int32_t* to, int32_t n);

// The table update of an exchange that moves k from gk to gj and j from gj to gk: for persons
// 1..n, tk[r] += mj[r] - mk[r], tj[r] -= the same, and pc[r] takes the new value of its group's
// column for persons of gk and gj (grp already exchanged).
void DeepApplyExchange(const int16_t* mk, const int16_t* mj, int32_t* tk, int32_t* tj,
                       const int32_t* grp, int32_t* pc, int32_t gk, int32_t gj, int32_t n);

}  // namespace quorvale
