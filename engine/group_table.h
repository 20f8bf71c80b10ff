// GroupConflictTable in the one layout the engine computes with: for each group g, one column of
// every person's summed pair weight with g's members, T(p, g). A group's column runs along the
// persons, contiguous and 64-byte aligned, and is padded with zeros past person N to a whole
// number of 16-lane vectors, so that the kernels read and write full vectors from any person on.
// The padding stays zero: nothing adds to a person beyond N.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace quorvale {

class GroupTable {
 public:
  // Persons per vector of the widest kernels.
  static constexpr size_t kLanes = 16;

  GroupTable() = default;

  // Makes the table for persons 0..N and groups 0..G, all zero. False, leaving it empty, when it
  // does not fit in memory.
  bool Allocate(int32_t persons, int32_t groups) {
    data_.reset();
    persons_ = groups_ = 0;
    stride_ = 0;
    if (persons < 0 || groups < 0) return false;
    const size_t stride = StrideFor(persons);
    size_t cells = 0;
    size_t bytes = 0;
    if (__builtin_mul_overflow(stride, static_cast<size_t>(groups) + 1, &cells) ||
        __builtin_mul_overflow(cells, sizeof(int32_t), &bytes)) {
      return false;
    }
    auto* block = static_cast<int32_t*>(std::aligned_alloc(64, (bytes + 63) / 64 * 64));
    if (block == nullptr) return false;
    std::memset(block, 0, bytes);
    data_.reset(block);
    persons_ = persons + 1;
    groups_ = groups + 1;
    stride_ = stride;
    return true;
  }

  // Distance between two columns, in cells: room for persons 0..N and a full vector read from
  // person N on. An odd number of cache lines per column keeps a person's entries in the
  // columns, read one after the other for every row of a scan, out of one cache set.
  static size_t StrideFor(int32_t persons) {
    size_t stride = (static_cast<size_t>(persons) + 1 + kLanes + kLanes - 1) / kLanes * kLanes;
    if (stride / kLanes % 2 == 0) stride += kLanes;
    return stride;
  }

  int32_t& operator()(int person, int group) {
    CheckIndex(person, group);
    return data_.get()[static_cast<size_t>(group) * stride_ + static_cast<size_t>(person)];
  }
  int32_t operator()(int person, int group) const {
    CheckIndex(person, group);
    return data_.get()[static_cast<size_t>(group) * stride_ + static_cast<size_t>(person)];
  }
  // Group g's column: entry p is T(p, g), for p from 0 to stride() - 1.
  int32_t* Column(int group) {
    CheckIndex(0, group);
    return data_.get() + static_cast<size_t>(group) * stride_;
  }
  const int32_t* Column(int group) const {
    CheckIndex(0, group);
    return data_.get() + static_cast<size_t>(group) * stride_;
  }

  int32_t persons() const { return persons_; }  // N + 1
  int32_t groups() const { return groups_; }    // G + 1
  size_t stride() const { return stride_; }

  void FillZero() {
    if (data_ != nullptr) {
      std::memset(data_.get(), 0, stride_ * static_cast<size_t>(groups_) * sizeof(int32_t));
    }
  }

 private:
  // Checked builds (QM_CHECKED_TABLES, the debug build) stop at the first index outside the
  // table instead of reading or writing a neighbouring column.
  void CheckIndex([[maybe_unused]] int person, [[maybe_unused]] int group) const {
#ifdef QM_CHECKED_TABLES
    if (person < 0 || person >= persons_ || group < 0 || group >= groups_) {
      std::fprintf(stderr, "group table index (%d, %d) outside %d x %d\n", person, group, persons_,
                   groups_);
      std::abort();
    }
#endif
  }

  struct FreeDeleter {
    void operator()(int32_t* block) const { std::free(block); }
  };
  std::unique_ptr<int32_t, FreeDeleter> data_;
  int32_t persons_ = 0;
  int32_t groups_ = 0;
  size_t stride_ = 0;
};

}  // namespace quorvale
