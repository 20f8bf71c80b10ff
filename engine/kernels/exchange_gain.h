// The exchange gain, the one formula every descent and scan computes: how much the score falls
// when persons k and j, in groups gk != gj, trade groups. With T[p][g] the weight of p with the
// members of group g (T[p][own group] is p's PersonConflict) and M the symmetric pair weights:
//
//   gain = 2 M[k][j] + T[k][gk] + T[j][gj] - T[k][gj] - T[j][gk]
//
// k leaves T[k][gk] and joins gj without j, T[k][gj] - M[k][j]; j likewise: the score loses both
// old weights and gains both new ones.
//
// A scan of k's partners holds k's side for each group h, side[h] = T[k][gk] - T[k][h], so that
// a partner's gain needs only its own entries: ScanGain. The vector kernels compute ScanGain a
// vector of partners at a time.
#pragma once

#include <cstdint>

namespace quorvale {

template <typename Sum = int64_t>
constexpr Sum ExchangeGain(int32_t m_kj, int32_t own_k, int32_t own_j, int32_t k_with_gj,
                           int32_t j_with_gk) {
  return Sum{2} * m_kj + Sum{own_k} + Sum{own_j} - Sum{k_with_gj} - Sum{j_with_gk};
}

// The gain of partner j in a scan of k: `k_side` is k's side for j's group.
template <typename Sum = int64_t>
constexpr Sum ScanGain(int32_t m_kj, int32_t own_j, int32_t j_with_gk, int32_t k_side) {
  return Sum{2} * m_kj + Sum{own_j} - Sum{j_with_gk} + Sum{k_side};
}

}  // namespace quorvale
