// The problem as its input states it: the run parameters and the data table of persons, their
// types and category codes, and the column weights. The readers of both front ends fill it; the
// engine builds everything it computes with from it and never reads a file.
//
// Persons are numbered 1..N; row 0 of DataTable is the weight row.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "base/table.h"
#include "model/parameters.h"
#include "model/wishes.h"

namespace quorvale {

// The most rounds a model may ask for (a pair's meetings are counted in 7 bits).
inline constexpr int32_t kMaxRounds = 127;

struct Model {
  Parameters params;
  int32_t PersonCount() const { return params.PersonCount; }  // N
  int32_t ColumnCount() const { return params.ColumnCount; }  // C
  int32_t GroupCount() const { return params.GroupCount; }    // G

  // N + 1 rows of C: the weight row, then one row per person: its number, its type, and its
  // category code in each attribute column 2..C-1 (0 or below: none).
  Table2D<int32_t> DataTable;
  // Per column (C entries), or empty for none: 1 where a code held by more than half of the
  // persons stays one category as written instead of being turned around. A rule's column is
  // kept so: its members must share a group however many they are.
  std::vector<uint8_t> KeepsMajority;

  // Wishes beyond what the data files can state (roster mode); empty or 0: the files' rules.
  // Each group's size, entries 1..G (entry 0 unused); empty: N / G each, the first N mod G one
  // more.
  std::vector<int32_t> GroupSizes;
  // The group each person is pinned to, entries 1..N (0: free); empty: none. A pinned person is
  // dealt there and never moved.
  std::vector<int32_t> PinnedGroup;
  // Above 0: the types are 1..BalanceTypes (the values of the balance column), every person is
  // dealt, and each type is dealt over the groups in proportion to their sizes.
  int32_t BalanceTypes = 0;
  // Terms of the score beyond pairs.
  std::vector<BuddyWish> Buddies;
  std::vector<AverageWish> Averages;
  // Above 1: this many groupings of the persons, each keeping every wish above. Across them, two
  // persons who share a group in more than one round cost RepeatWeight per extra meeting, except
  // the pairs of RepeatExempt (persons p < q, who are to be together).
  int32_t Rounds = 0;
  int32_t RepeatWeight = 0;
  std::vector<std::pair<int32_t, int32_t>> RepeatExempt;

  int32_t Type(int person) const { return DataTable(person, 1); }
  // The size of group g (1..G).
  int32_t GroupSize(int group) const {
    if (!GroupSizes.empty()) return GroupSizes[static_cast<size_t>(group)];
    const int32_t base = PersonCount() / GroupCount();
    return base + (group <= PersonCount() % GroupCount() ? 1 : 0);
  }
  // Whether a majority code of `column` is turned around (the data files' rule for every column).
  bool TurnsMajority(int column) const {
    return KeepsMajority.empty() || KeepsMajority[static_cast<size_t>(column)] == 0;
  }
};

// Every group's size, largest first.
std::vector<int32_t> SizesLargestFirst(const Model& model);

// Whether "parameters.txt" and "data.txt" state `model` exactly: they cannot say that a column
// keeps a majority code, nor hold group sizes, pins, more than two balance values, the wishes
// beyond pairs or rounds, so a model with any of these is not theirs to state.
bool DataFilesStateModel(const Model& model);

}  // namespace quorvale
