// The working layout of the fast evaluation and descent: GroupConflictTable transposed (one row
// of persons per group, so that a group's column runs along the persons), and narrow, padded
// copies of Assignment, PersonConflict and the person types. The Engine owns one set and keeps it
// between calls, so that no call allocates once the sizes are known.
//
// The layout holds the problem's state only while one evaluation or descent runs; each call
// loads what it needs from the Problem and writes its results back into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/fast_kernels.h"
#include "engine/problem.h"

namespace quorvale {

// A 64-byte aligned array that only grows; its contents are undefined after a growth.
template <typename T>
class AlignedArray {
 public:
  bool Reserve(size_t count) {
    if (count <= capacity_) return true;
    const size_t bytes = (count * sizeof(T) + 63) / 64 * 64;
    data_.reset(static_cast<T*>(std::aligned_alloc(64, bytes)));
    capacity_ = data_ == nullptr ? 0 : count;
    return data_ != nullptr;
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }

 private:
  struct FreeDeleter {
    void operator()(T* block) const { std::free(block); }
  };
  std::unique_ptr<T, FreeDeleter> data_;
  size_t capacity_ = 0;
};

// The class of a person type whose persons all share one group: none of them can ever be
// exchanged, since exchanges only permute the groups of persons of one type.
inline constexpr int8_t kNeverExchanged = -1;

class FastTables {
 public:
  // Sizes the layout for `problem`, to be worked on with `kernels`. False when it does not
  // apply: too many groups, or a transposed table above `budget_bytes` (0: the default budget);
  // the caller then works on the Problem directly.
  bool Prepare(const Problem& problem, const FastKernels& kernels, size_t budget_bytes);

  // Narrow copy of Assignment (padding 0). False when a group number lies outside 0..G.
  bool LoadAssignment(const Problem& problem);
  // Classes of the person types: equal classes for equal types, kNeverExchanged for types that
  // can take part in no exchange. Sets `one_class` when all persons share one class. False when
  // there are too many distinct types to tell apart.
  bool LoadClasses(const Problem& problem, bool& one_class);
  // Transposed copy of GroupConflictTable (padding 0); returns the largest magnitude in it.
  int32_t LoadTransposed(const Problem& problem);
  // PersonConflict re-read from the transposed table for every person (padding 0).
  void LoadPersonConflicts();
  // Marks a group whose row now differs from its column in GroupConflictTable.
  void MarkChanged(int32_t group) {
    if (changed_[static_cast<size_t>(group)] != 0) return;
    changed_[static_cast<size_t>(group)] = 1;
    changed_list_.push_back(group);
  }
  // Writes the marked groups' rows back into GroupConflictTable (rows 1..N) and clears the marks.
  void StoreChanged(Problem& problem);
  // Writes the whole transposed table back into GroupConflictTable; row 0 becomes zeros.
  void StoreAll(Problem& problem) const;

  // Set while a descent works in the layout: a monitor that evaluates in between must not
  // overwrite it.
  bool busy() const { return busy_; }
  void set_busy(bool busy) { busy_ = busy; }

  int32_t n() const { return n_; }
  int32_t slots() const { return slots_; }
  size_t stride() const { return stride_; }
  int32_t* tt(int32_t group) { return tt_.data() + static_cast<size_t>(group) * stride_; }
  const int32_t* tt(int32_t group) const {
    return tt_.data() + static_cast<size_t>(group) * stride_;
  }
  int32_t* pc() { return pc_.data(); }
  int16_t* grp() { return grp_.data(); }
  int8_t* cls() { return cls_.data(); }
  int32_t* lookup() { return lookup_.data(); }
  // Per group: persons in the group, in ascending order (order() from start()[g]).
  void SortByGroup();
  const int32_t* order() const { return order_.data(); }
  const int32_t* start() const { return start_.data(); }

 private:
  const FastKernels* kernels_ = nullptr;
  int32_t n_ = 0;
  int32_t slots_ = 0;
  size_t stride_ = 0;
  AlignedArray<int32_t> tt_;
  AlignedArray<int32_t> pc_;
  AlignedArray<int16_t> grp_;
  AlignedArray<int8_t> cls_;
  AlignedArray<int32_t> lookup_;
  std::vector<int32_t> order_;
  std::vector<int32_t> start_;
  std::vector<int32_t> next_;
  std::vector<uint8_t> changed_;
  std::vector<int32_t> changed_list_;
  bool busy_ = false;
  // Per distinct person type: its first group, and whether its persons are spread over several.
  struct TypeInfo {
    int32_t type;
    int32_t group;
    bool spread;
  };
  std::vector<TypeInfo> types_;
  std::vector<uint8_t> type_index_;
  std::vector<int8_t> class_of_;
};

// Bytes the layout takes for these sizes when it applies under the default budget, else 0.
double FastLayoutBytes(int32_t persons, int32_t groups);

}  // namespace quorvale
