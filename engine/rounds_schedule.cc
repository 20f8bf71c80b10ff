// The rounds' tables: loading, the exchange and its updates.
#include "engine/rounds_schedule.h"

#include <algorithm>
#include <utility>

namespace quorvale {

RoundsSchedule::RoundsSchedule(const Problem& problem)
    : p_(problem),
      matrix_(problem.ConflictMatrix),
      n_(problem.PersonCount()),
      stride_(static_cast<size_t>(problem.GroupCount()) + 1),
      weight_(problem.RepeatWeight),
      class_(static_cast<size_t>(n_) + 1, 0),
      class_members_(static_cast<size_t>(problem.BalanceTypes > 0 ? problem.BalanceTypes : 2)),
      meetings_(problem) {}

void RoundsSchedule::Load(const std::vector<std::vector<int32_t>>& rounds) {
  groupings_ = rounds;
  const size_t count = rounds.size();
  // The exchange classes: the dealt types, of persons the deal gave a group.
  for (auto& members : class_members_) members.clear();
  for (int32_t p = 1; p <= n_; ++p) {
    const int32_t type = p_.Type(p);
    const bool moves = rounds[0][static_cast<size_t>(p)] >= 1 && type >= 1 && type <= classes();
    class_[static_cast<size_t>(p)] = moves ? type : 0;
    if (moves) class_members_[static_cast<size_t>(type - 1)].push_back(p);
  }
  members_.assign(count, std::vector<std::vector<int32_t>>(stride_));
  place_.assign(count, std::vector<int32_t>(static_cast<size_t>(n_) + 1, 0));
  for (size_t r = 0; r < count; ++r) {
    for (int32_t p = 1; p <= n_; ++p) {
      auto& group = members_[r][static_cast<size_t>(rounds[r][static_cast<size_t>(p)])];
      place_[r][static_cast<size_t>(p)] = static_cast<int32_t>(group.size());
      group.push_back(p);
    }
  }
  score_ = meetings_.Load(groupings_);
  if (terms_.size() != count) terms_.assign(count, WishTerms(p_));
  tables_.resize(count);
  for (size_t r = 0; r < count; ++r) {
    const auto round = static_cast<int32_t>(r);
    std::vector<int64_t>& table = tables_[r];
    table.assign((static_cast<size_t>(n_) + 1) * stride_, 0);
    for (size_t g = 0; g < stride_; ++g) {
      for (const int32_t m : members_[r][g]) {
        const int16_t* row = matrix_.Row(m);  // column m too: the matrix is symmetric
        for (int32_t x = 1; x <= n_; ++x) {
          table[static_cast<size_t>(x) * stride_ + g] +=
              row[x] + Elsewhere(x, m, Together(round, x, m) ? 1 : 0);
        }
      }
    }
    // The pair score counts each pair of a group (group 0, the persons never dealt, among
    // them) once; the repeats are in the meetings' cost.
    int64_t pairs = 0;
    for (int32_t x = 1; x <= n_; ++x) {
      for (const int32_t m : members_[r][static_cast<size_t>(rounds[r][static_cast<size_t>(x)])]) {
        pairs += matrix_.Row(x)[m];
      }
    }
    score_ += pairs / 2;
    if (!terms_[r].empty()) score_ += terms_[r].Load(groupings_[r]);
  }
}

void RoundsSchedule::Recount(int32_t round, int32_t p, int32_t m, int32_t change) {
  if (meetings_.Exempt(p, m)) return;
  const int32_t count = meetings_.Meetings(p, m);
  for (int32_t r = 0; r < rounds(); ++r) {
    if (r == round) continue;
    const int32_t here = Together(r, p, m) ? 1 : 0;
    const bool before = count - here >= 1;
    const bool after = count + change - here >= 1;
    if (before == after) continue;
    const int64_t step = after ? weight_ : -weight_;
    Cell(r, p, Group(r, m)) += step;
    Cell(r, m, Group(r, p)) += step;
  }
}

void RoundsSchedule::Exchange(int32_t round, int32_t k, int32_t j) {
  const auto r = static_cast<size_t>(round);
  score_ -= Gain(round, k, j);
  const int32_t gk = Group(round, k);
  const int32_t gj = Group(round, j);
  if (!terms_[r].empty()) terms_[r].Exchange(k, j, gk, gj);
  std::vector<int32_t>& k_group = members_[r][static_cast<size_t>(gk)];
  std::vector<int32_t>& j_group = members_[r][static_cast<size_t>(gj)];
  // Every count below is the one before the exchange: each pair changes once.
  if (rounds() > 1) {
    for (const int32_t m : k_group) {
      if (m == k) continue;
      Recount(round, k, m, -1);
      Recount(round, j, m, +1);
    }
    for (const int32_t m : j_group) {
      if (m == j) continue;
      Recount(round, k, m, +1);
      Recount(round, j, m, -1);
    }
  }
  // This round's columns gk and gj: k's row and repeats move from gk to gj, j's the other way.
  // A pair's meetings elsewhere do not change with a move in this round.
  std::vector<int64_t>& table = tables_[r];
  const int16_t* row_k = matrix_.Row(k);
  const int16_t* row_j = matrix_.Row(j);
  for (int32_t x = 1; x <= n_; ++x) {
    const int64_t with_k = row_k[x] + Elsewhere(x, k, Together(round, x, k) ? 1 : 0);
    const int64_t with_j = row_j[x] + Elsewhere(x, j, Together(round, x, j) ? 1 : 0);
    int64_t* cells = table.data() + static_cast<size_t>(x) * stride_;
    cells[gk] += with_j - with_k;
    cells[gj] += with_k - with_j;
  }
  meetings_.Exchange(k, j, k_group, j_group);
  std::vector<int32_t>& place = place_[r];
  std::swap(k_group[static_cast<size_t>(place[static_cast<size_t>(k)])],
            j_group[static_cast<size_t>(place[static_cast<size_t>(j)])]);
  std::swap(place[static_cast<size_t>(k)], place[static_cast<size_t>(j)]);
  groupings_[r][static_cast<size_t>(k)] = gj;
  groupings_[r][static_cast<size_t>(j)] = gk;
}

void RoundsSchedule::CopyPersonConflicts(int32_t round, std::vector<int32_t>& out) const {
  const auto r = static_cast<size_t>(round);
  out.assign(static_cast<size_t>(n_) + 1, 0);
  for (int32_t x = 1; x <= n_; ++x) {
    int32_t sum = 0;
    for (const int32_t m : members_[r][static_cast<size_t>(Group(round, x))]) {
      sum += matrix_.Row(x)[m];
    }
    out[static_cast<size_t>(x)] = sum;
  }
}

}  // namespace quorvale
