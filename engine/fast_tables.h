// The working arrays of the fast evaluation and descent beside the Problem's GroupConflictTable:
// narrow, padded copies of Assignment, PersonConflict and the person types, and the lookup row of
// a scan. Each evaluation and each descent makes its own; the group table itself is never
// copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/kernels/fast_kernels.h"
#include "engine/problem.h"

namespace quorvale {

// A 64-byte aligned array; its contents are undefined until written.
template <typename T>
class AlignedArray {
 public:
  bool Reserve(size_t count) {
    const size_t bytes = (count * sizeof(T) + 63) / 64 * 64;
    data_.reset(static_cast<T*>(std::aligned_alloc(64, bytes == 0 ? 64 : bytes)));
    return data_ != nullptr;
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }

 private:
  struct FreeDeleter {
    void operator()(T* block) const { std::free(block); }
  };
  std::unique_ptr<T, FreeDeleter> data_;
};

// The class of a person type whose persons all share one group: none of them can ever be
// exchanged, since exchanges only permute the groups of persons of one type.
inline constexpr int8_t kNeverExchanged = -1;

class FastTables {
 public:
  // Sizes the arrays for `problem`. False when the fast kernels do not apply to it (too many
  // groups for their 16-bit group numbers, or a table beyond their 32-bit offsets) or memory is
  // short; the caller then uses the plain engine.
  bool Prepare(const Problem& problem);

  // Narrow copy of Assignment (padding 0), in person order or, with `person_at`, entry a for
  // person person_at[a]. False when a group number lies outside 0..G.
  bool LoadAssignment(const Problem& problem, const int32_t* person_at = nullptr);
  // Classes of the person types: equal classes for equal types, kNeverExchanged for types that
  // can take part in no exchange. Sets `one_class` when all persons share one class. False when
  // there are too many distinct types to tell apart.
  bool LoadClasses(const Problem& problem, bool& one_class);
  // Puts the classes in the order of `person_at`: entry a becomes person person_at[a]'s.
  void ReorderClasses(const int32_t* person_at);
  // Every entry's own group's value in `table`, laid out as grp (padding 0).
  void LoadPersonConflicts(const GroupTable& table);

  int32_t n() const { return n_; }
  int32_t slots() const { return slots_; }
  int32_t* pc() { return pc_.data(); }
  int16_t* grp() { return grp_.data(); }
  int8_t* cls() { return cls_.data(); }
  int32_t* lookup() { return lookup_.data(); }
  // Per group: persons in the group, in ascending order (order() from start()[g]).
  void SortByGroup();
  const int32_t* order() const { return order_.data(); }
  const int32_t* start() const { return start_.data(); }

 private:
  int32_t n_ = 0;
  int32_t slots_ = 0;
  size_t stride_ = 0;
  AlignedArray<int32_t> pc_;
  AlignedArray<int16_t> grp_;
  AlignedArray<int8_t> cls_;
  AlignedArray<int32_t> lookup_;
  std::vector<int32_t> order_;
  std::vector<int32_t> start_;
  std::vector<int32_t> next_;
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

// Bytes the arrays take for this many persons and groups.
double FastTablesBytes(int32_t persons, int32_t groups);

}  // namespace quorvale
