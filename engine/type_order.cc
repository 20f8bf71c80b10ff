// Making the type order and its copy of the matrix.
#include "engine/type_order.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <numeric>

#include "engine/problem.h"

namespace quorvale {

bool TypeOrder::Build(const Problem& p) {
  Clear();
  const int32_t n = p.PersonCount();
  if (n < 2 || n > kTypeOrderMaxPersons || p.ConflictMatrix.rows() != static_cast<size_t>(n) + 1) {
    return false;
  }
  const auto size = static_cast<size_t>(n) + 1;
  try {
    types_.resize(size);
    person_at_.resize(size);
    position_of_.resize(size);
    run_end_.resize(size);
  } catch (const std::bad_alloc&) {
    Clear();
    return false;
  }
  types_[0] = 0;
  for (int32_t r = 1; r <= n; ++r) types_[static_cast<size_t>(r)] = p.Type(r);
  if (std::all_of(types_.begin() + 1, types_.end(),
                  [&](int32_t type) { return type == types_[1]; })) {
    Clear();
    return false;
  }
  std::iota(person_at_.begin(), person_at_.end(), 0);
  std::stable_sort(person_at_.begin() + 1, person_at_.end(), [&](int32_t a, int32_t b) {
    return types_[static_cast<size_t>(a)] < types_[static_cast<size_t>(b)];
  });
  for (size_t a = 0; a < size; ++a) position_of_[static_cast<size_t>(person_at_[a])] = int32_t(a);
  run_end_[0] = 0;
  for (int32_t a = n; a >= 1; --a) {
    const bool last =
        a == n || types_[static_cast<size_t>(person_at_[static_cast<size_t>(a)])] !=
                      types_[static_cast<size_t>(person_at_[static_cast<size_t>(a) + 1])];
    run_end_[static_cast<size_t>(a)] = last ? a : run_end_[static_cast<size_t>(a) + 1];
  }
  if (!matrix_.Allocate(size, size)) {
    Clear();
    return false;
  }
  const int32_t* at = person_at_.data();
  for (int32_t a = 1; a <= n; ++a) {
    const int16_t* from = p.ConflictMatrix.Row(at[a]);
    int16_t* to = matrix_.Row(a);
    int64_t sum = 0;
    for (int32_t b = 1; b <= n; ++b) {
      to[b] = from[at[b]];
      sum += std::abs(int32_t{to[b]});
    }
    largest_row_sum_ = std::max(largest_row_sum_, sum);
  }
  return true;
}

bool TypeOrder::Fits(const Problem& p) const {
  const int32_t n = p.PersonCount();
  if (types_.size() != static_cast<size_t>(n) + 1 || n < 2) return false;
  for (int32_t r = 1; r <= n; ++r) {
    if (types_[static_cast<size_t>(r)] != p.Type(r)) return false;
  }
  return true;
}

double TypeOrderBytes(int32_t persons) {
  if (persons > kTypeOrderMaxPersons) return 0;
  const double size = static_cast<double>(persons) + 1;
  return size * size * 2 + size * 16;
}

}  // namespace quorvale
