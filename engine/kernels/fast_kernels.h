// The inner loops of the fast evaluation and descent, in one version per instruction set: plain
// C++ for any x86-64, AVX2 and AVX-512. Which one runs is the Engine's choice (engine/engine.h);
// every version computes exactly the same results.
//
// The kernels work on the Problem's GroupTable, one padded column of persons per group, and on
// per-person arrays padded the same way (see FastTables).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvale {

// Entries of the per-row lookup table that the kernels may read: groups 0..G, at least this many
// (unused entries hold kNoSwap).
inline constexpr int kLookupFloor = 64;

// A lookup value that makes any gain it is added to negative: below minus twice the largest
// table value the fast scan accepts (kFastTableLimit), with room left for the pair weight.
inline constexpr int32_t kNoSwap = -(int32_t{1} << 30);
// The fast scan sums gains in 32 bits while every group sum stays below this in magnitude.
inline constexpr int32_t kFastTableLimit = int32_t{1} << 28;

// One row k of a scan. The gain of partner j is ScanGain (exchange_gain.h):
//   2 M[k][j] + pc[j] - tt_gk[j] + lookup[grp[j]]
// where lookup[g] = pc[k] - tt[g][k], k's side, for the groups k may move to, and kNoSwap for k's
// own group; each call builds this table from k's entries in the group table's columns. Partners
// are eligible when their class equals k's (or always, with one_class) and their group is not k's.
// The vector versions sum in 32 bits and need every table value below kFastTableLimit in magnitude;
// the portable version sums in 64 bits and needs nothing more.
struct ScanRow {
  const int16_t* m_row = nullptr;  // ConflictMatrix row k, indexed by partner
  const int32_t* pc = nullptr;     // PersonConflict, padded
  const int32_t* tt_gk = nullptr;  // column Assignment[k] of GroupConflictTable, padded
  const int32_t* tt_k = nullptr;   // k's entry in column 0: tt_k[g * stride] = T[k][g]
  const int16_t* grp = nullptr;    // Assignment, padded
  const int8_t* cls = nullptr;     // type class, padded
  int32_t* lookup = nullptr;       // scratch of max(G + 1, kLookupFloor) entries
  int32_t stride = 0;              // distance between the columns of the group table
  int32_t slots = 0;               // G + 1
  int32_t n = 0;                   // last partner
  int32_t gk = 0;                  // group of k
  int32_t pck = 0;                 // pc[k]
  int8_t ck = 0;                   // class of k
  bool one_class = false;          // every possible partner shares k's class
};

// Fills row.lookup for groups 0..G (the entries beyond stay kNoSwap).
inline void FillLookup(const ScanRow& row) {
  for (int32_t g = 0; g < row.slots; ++g) {
    row.lookup[g] = row.pck - row.tt_k[static_cast<size_t>(g) * static_cast<size_t>(row.stride)];
  }
  row.lookup[row.gk] = kNoSwap;
}

// The rows an exchange of k (into group gj) and j (into gk) changes, for r = first..last. grp
// already holds the new groups. d = M[k][r] - M[j][r]; tt_gj[r] += d; tt_gk[r] -= d; and pc[r] is
// re-read from the updated column of r's group when that group is gj or gk, and written to
// person_conflict[r] too unless it is null. Nothing is written outside first..last, so a caller
// may bring one range of persons up to date now and another later.
struct ExchangeRows {
  const int16_t* mk;
  const int16_t* mj;
  int32_t* tt_gj;
  int32_t* tt_gk;
  const int16_t* grp;
  int32_t* pc;
  int32_t* person_conflict;  // may be null
  int32_t gj = 0;
  int32_t gk = 0;
  int32_t first = 0;
  int32_t last = 0;
  // False when the caller knows that no entry can reach its limit; the return value is then 0.
  bool track_largest = true;
};

struct FastKernels {
  // The first partner j >= first with a positive gain, or 0 when there is none up to n.
  int32_t (*find_gain)(const ScanRow& row, int32_t first);
  // Applies an exchange; returns at least the largest magnitude among the updated column entries.
  int32_t (*apply_exchange)(const ExchangeRows& rows);
  // dst[r] += rows[0][r] + ... + rows[count - 1][r] for r = 0..length - 1; count is 1..4.
  void (*add_rows)(int32_t* dst, const int16_t* const* rows, int count, int32_t length);
  // The largest magnitude among column[0..length - 1]. REQUIRES: length is a multiple of 16 and
  // column is 64-byte aligned.
  int32_t (*largest)(const int32_t* column, size_t length);
};

// The versions of each level; all have the same contract. The AVX2 and AVX-512 versions may
// only be called on a processor that supports them.
const FastKernels& PortableKernels();
const FastKernels& Avx2Kernels();
const FastKernels& Avx512Kernels();

}  // namespace quorvale
