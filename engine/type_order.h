// The fast descent's view of the persons ordered by type: type by type in ascending type value,
// each type's persons in person order. A person's partners of its own type after it then form
// one contiguous run, so a scan reads no entry of another type and tests no type at all. The
// descent still takes the rows in person order, so its exchanges are the same.
//
// Costs a copy of ConflictMatrix in that order, 2 (N + 1)^2 bytes, so it is made only up to
// kTypeOrderMaxPersons persons (122 MiB); beyond that the descent works in person order.
#pragma once

#include <cstdint>
#include <vector>

#include "base/table.h"

namespace quorvale {

struct Problem;

inline constexpr int32_t kTypeOrderMaxPersons = 8000;

class TypeOrder {
 public:
  // Makes the order and the matrix copy for `problem`'s present types and ConflictMatrix; leaves
  // it empty (and returns false) when all persons share one type, when there are more than
  // kTypeOrderMaxPersons persons, or when memory is short.
  bool Build(const Problem& problem);
  void Clear() { *this = TypeOrder(); }

  // Made for this many persons with these types; the descent makes the order again when a
  // type has changed since. (SetUpStartValues clears the order, and ConflictMatrix does not
  // change after it.)
  bool Fits(const Problem& problem) const;

  // Position 1..N of each person, and the person at each position (position 0 is person 0).
  const int32_t* person_at() const { return person_at_.data(); }
  const int32_t* position_of() const { return position_of_.data(); }
  // The last position of the type of the person at each position.
  const int32_t* run_end() const { return run_end_.data(); }
  // ConflictMatrix with rows and columns in position order.
  const Table2D<int16_t>& matrix() const { return matrix_; }
  // The largest sum of magnitudes along a matrix row: no group sum of the person can exceed it.
  int64_t largest_row_sum() const { return largest_row_sum_; }

 private:
  std::vector<int32_t> types_;
  std::vector<int32_t> person_at_;
  std::vector<int32_t> position_of_;
  std::vector<int32_t> run_end_;
  Table2D<int16_t> matrix_;
  int64_t largest_row_sum_ = 0;
};

// Bytes the order takes at its largest for this many persons.
double TypeOrderBytes(int32_t persons);

}  // namespace quorvale
