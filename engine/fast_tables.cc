// Loading and storing the working layout.
//
// Every per-person array is padded to a whole number of 16-lane vectors past person N, with
// zeros, so that the kernels may read and write full vectors from any person on.
#include "engine/fast_tables.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "engine/fast_kernels.h"

namespace quorvale {

namespace {

constexpr size_t kLanes = 16;
// Groups are held in 16 bits.
constexpr int32_t kMaxSlots = std::numeric_limits<int16_t>::max();
// The transposed table may always take this much, and beyond it up to half the matrix.
constexpr size_t kBaseBudget = size_t{64} << 20;
// Distinct person types told apart (classes are 8-bit, kNeverExchanged aside).
constexpr size_t kMaxClasses = 100;

// Room for a full vector read from person N on. An odd number of cache lines per row keeps a
// person's entries in the group rows, read one after the other for every row of the scan, from
// falling into the same cache set.
size_t StrideFor(int32_t persons) {
  size_t stride = (static_cast<size_t>(persons) + 1 + kLanes + kLanes - 1) / kLanes * kLanes;
  if (stride / kLanes % 2 == 0) stride += kLanes;
  return stride;
}

size_t DefaultBudget(size_t matrix_cells) {
  return std::max(kBaseBudget, matrix_cells * sizeof(int16_t) / 2);
}

}  // namespace

double FastLayoutBytes(int32_t persons, int32_t groups) {
  const int64_t slots = int64_t{groups} + 1;
  if (persons < 1 || slots > kMaxSlots) return 0;
  const size_t stride = StrideFor(persons);
  const double table = static_cast<double>(stride) * static_cast<double>(slots) * 4;
  const double cells = (static_cast<double>(persons) + 1) * (static_cast<double>(persons) + 1);
  if (table > static_cast<double>(DefaultBudget(static_cast<size_t>(cells)))) return 0;
  // The table, pc and lookup (4 bytes), grp (2), cls (1), and the sort and type scratch.
  return table + static_cast<double>(stride) * (4 + 2 + 1 + 4 * 3 + 1) +
         static_cast<double>(std::max<int64_t>(slots, kLookupFloor)) * 12;
}

bool FastTables::Prepare(const Problem& p, const FastKernels& kernels, size_t budget_bytes) {
  const int32_t n = p.PersonCount;
  const int64_t slots = int64_t{p.GroupCount} + 1;
  if (n < 1 || slots < 1 || slots > kMaxSlots) return false;
  if (p.GroupConflictTable.columns() != static_cast<size_t>(slots) ||
      p.GroupConflictTable.rows() != static_cast<size_t>(n) + 1 ||
      p.ConflictMatrix.rows() != static_cast<size_t>(n) + 1 ||
      p.ConflictMatrix.columns() != static_cast<size_t>(n) + 1) {
    return false;
  }
  const size_t stride = StrideFor(n);
  // The kernels address a person's entries in all group rows with 32-bit offsets.
  if (stride * kLookupFloor > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return false;
  }
  const size_t tt_cells = stride * static_cast<size_t>(slots);
  const size_t tt_bytes = tt_cells * sizeof(int32_t);
  const size_t budget = budget_bytes != 0 ? budget_bytes : DefaultBudget(p.ConflictMatrix.size());
  if (tt_bytes > budget) return false;
  const size_t lookup = std::max<size_t>(static_cast<size_t>(slots), kLookupFloor) + kLanes;
  if (!tt_.Reserve(tt_cells) || !pc_.Reserve(stride) || !grp_.Reserve(stride) ||
      !cls_.Reserve(stride) || !lookup_.Reserve(lookup)) {
    return false;
  }
  kernels_ = &kernels;
  n_ = n;
  slots_ = static_cast<int32_t>(slots);
  stride_ = stride;
  std::fill(lookup_.data(), lookup_.data() + lookup, kNoSwap);
  changed_.assign(static_cast<size_t>(slots), 0);
  changed_list_.clear();
  return true;
}

bool FastTables::LoadAssignment(const Problem& p) {
  const int32_t* assignment = p.Assignment.data();
  int16_t* grp = grp_.data();
  grp[0] = 0;
  bool in_range = true;
  for (int32_t r = 1; r <= n_; ++r) {
    const int32_t g = assignment[r];
    in_range &= g >= 0 && g < slots_;
    grp[r] = static_cast<int16_t>(g);
  }
  std::fill(grp + n_ + 1, grp + stride_, int16_t{0});
  return in_range;
}

bool FastTables::LoadClasses(const Problem& p, bool& one_class) {
  std::vector<TypeInfo>& types = types_;
  std::vector<uint8_t>& index = type_index_;
  types.clear();
  index.resize(static_cast<size_t>(n_) + 1);
  size_t last = 0;
  for (int32_t r = 1; r <= n_; ++r) {
    const int32_t type = p.Type(r);
    const int32_t group = p.Assignment[static_cast<size_t>(r)];
    if (last >= types.size() || types[last].type != type) {
      last = 0;
      while (last < types.size() && types[last].type != type) ++last;
      if (last == types.size()) {
        if (types.size() == kMaxClasses) return false;
        types.push_back({type, group, false});
      }
    }
    if (types[last].group != group) types[last].spread = true;
    index[static_cast<size_t>(r)] = static_cast<uint8_t>(last);
  }
  std::vector<int8_t>& class_of = class_of_;
  class_of.assign(types.size(), kNeverExchanged);
  int8_t classes = 0;
  for (size_t t = 0; t < types.size(); ++t) {
    if (types[t].spread) class_of[t] = classes++;
  }
  int8_t* cls = cls_.data();
  cls[0] = kNeverExchanged;
  bool never = false;
  for (int32_t r = 1; r <= n_; ++r) {
    cls[r] = class_of[index[static_cast<size_t>(r)]];
    never |= cls[r] == kNeverExchanged;
  }
  std::fill(cls + n_ + 1, cls + stride_, kNeverExchanged);
  one_class = classes == 1 && !never;
  return true;
}

int32_t FastTables::LoadTransposed(const Problem& p) {
  const int32_t largest =
      kernels_->load_transposed(p.GroupConflictTable.data(), n_ + 1, slots_, tt_.data(), stride_);
  for (int32_t g = 0; g < slots_; ++g) std::fill(tt(g) + n_ + 1, tt(g) + stride_, 0);
  return largest;
}

void FastTables::LoadPersonConflicts() {
  int32_t* pc = pc_.data();
  const int16_t* grp = grp_.data();
  pc[0] = 0;
  for (int32_t r = 1; r <= n_; ++r) pc[r] = tt(grp[r])[r];
  std::fill(pc + n_ + 1, pc + stride_, 0);
}

void FastTables::StoreChanged(Problem& p) {
  Table2D<int32_t>& table = p.GroupConflictTable;
  // The unmarked columns are equal in both layouts; with many marked, one whole transpose is
  // cheaper than column after column.
  if (changed_list_.size() * 4 >= static_cast<size_t>(slots_)) {
    kernels_->store_transposed(tt_.data(), stride_, 1, n_ + 1, slots_, table.data());
  } else {
    for (int32_t r = 1; r <= n_; ++r) {
      int32_t* row = table.Row(r);
      for (const int32_t g : changed_list_) row[g] = tt(g)[r];
    }
  }
  for (const int32_t g : changed_list_) changed_[static_cast<size_t>(g)] = 0;
  changed_list_.clear();
}

void FastTables::StoreAll(Problem& p) const {
  Table2D<int32_t>& table = p.GroupConflictTable;
  kernels_->store_transposed(tt_.data(), stride_, 1, n_ + 1, slots_, table.data());
  std::fill(table.Row(0), table.Row(0) + slots_, 0);
}

void FastTables::SortByGroup() {
  const int16_t* grp = grp_.data();
  start_.assign(static_cast<size_t>(slots_) + 1, 0);
  for (int32_t r = 1; r <= n_; ++r) ++start_[static_cast<size_t>(grp[r]) + 1];
  for (int32_t g = 0; g < slots_; ++g) {
    start_[static_cast<size_t>(g) + 1] += start_[static_cast<size_t>(g)];
  }
  order_.resize(static_cast<size_t>(n_));
  next_.assign(start_.begin(), start_.end() - 1);
  for (int32_t r = 1; r <= n_; ++r) {
    order_[static_cast<size_t>(next_[static_cast<size_t>(grp[r])]++)] = r;
  }
}

}  // namespace quorvale
