// Loading the working arrays.
//
// Every per-person array is padded like the group table's columns, with zeros, so that the
// kernels may read and write full vectors from any person on.
#include "engine/fast_tables.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace quorvale {

namespace {

// Groups are held in 16 bits.
constexpr int32_t kMaxSlots = std::numeric_limits<int16_t>::max();
// Distinct person types told apart (classes are 8-bit, kNeverExchanged aside).
constexpr size_t kMaxClasses = 100;

size_t LookupSize(int32_t slots) {
  return std::max<size_t>(static_cast<size_t>(slots), kLookupFloor) + GroupTable::kLanes;
}

}  // namespace

bool FastTables::Prepare(const Problem& p) {
  const int32_t n = p.PersonCount();
  const int64_t slots = int64_t{p.GroupCount()} + 1;
  if (n < 1 || slots < 1 || slots > kMaxSlots) return false;
  const GroupTable& table = p.GroupConflictTable;
  if (table.persons() != n + 1 || table.groups() != slots ||
      p.ConflictMatrix.rows() != static_cast<size_t>(n) + 1 ||
      p.ConflictMatrix.columns() != static_cast<size_t>(n) + 1) {
    return false;
  }
  const size_t stride = table.stride();
  // The kernels address a person's entries in all group columns with 32-bit offsets.
  if (stride * kLookupFloor > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return false;
  }
  const size_t lookup = LookupSize(static_cast<int32_t>(slots));
  if (!pc_.Reserve(stride) || !grp_.Reserve(stride) || !cls_.Reserve(stride) ||
      !lookup_.Reserve(lookup)) {
    return false;
  }
  n_ = n;
  slots_ = static_cast<int32_t>(slots);
  stride_ = stride;
  std::fill(lookup_.data(), lookup_.data() + lookup, kNoSwap);
  return true;
}

bool FastTables::LoadAssignment(const Problem& p, const int32_t* person_at) {
  const int32_t* assignment = p.Assignment.data();
  int16_t* grp = grp_.data();
  grp[0] = 0;
  bool in_range = true;
  for (int32_t r = 1; r <= n_; ++r) {
    const int32_t g = assignment[person_at == nullptr ? r : person_at[r]];
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

void FastTables::ReorderClasses(const int32_t* person_at) {
  const std::vector<int8_t> by_person(cls_.data(), cls_.data() + n_ + 1);
  int8_t* cls = cls_.data();
  for (int32_t a = 1; a <= n_; ++a) cls[a] = by_person[static_cast<size_t>(person_at[a])];
}

void FastTables::LoadPersonConflicts(const GroupTable& table) {
  int32_t* pc = pc_.data();
  const int16_t* grp = grp_.data();
  pc[0] = 0;
  for (int32_t r = 1; r <= n_; ++r) pc[r] = table(r, grp[r]);
  std::fill(pc + n_ + 1, pc + stride_, 0);
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

double FastTablesBytes(int32_t persons, int32_t groups) {
  const auto stride = static_cast<double>(GroupTable::StrideFor(persons));
  // pc (4 bytes), grp (2), cls (1), the sort's order and next (4 + 4) and the type index (1).
  return stride * (4 + 2 + 1 + 4 + 4 + 1) +
         static_cast<double>(LookupSize(groups + 1) + static_cast<size_t>(groups) + 2) * 8;
}

}  // namespace quorvale
