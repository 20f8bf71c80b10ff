// How many persons of each type each group gets when the types are dealt in proportion to the
// group sizes: group g's share of type t is holders[t] x sizes[g] / N, and its count differs from
// that share by less than one wherever the pinned persons allow it, and by as little as they
// allow otherwise. Every group gets exactly its size and every type exactly its holders.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvale {

// `sizes[g]` for groups 0..G-1, `holders[t]` for types 0..T-1, with equal totals N;
// `pinned[g][t]` the persons of type t pinned to group g (may be empty: none). Returns
// counts[g][t], or nothing when the pinned persons of a group do not fit its size.
std::vector<std::vector<int32_t>> ProportionalCounts(
    const std::vector<int32_t>& sizes, const std::vector<int32_t>& holders,
    const std::vector<std::vector<int32_t>>& pinned);

}  // namespace quorvale
