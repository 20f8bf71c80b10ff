// The problem tables and the run-wide values: everything a run knows about its persons, pair
// weights and groupings. One Problem is allocated per run and owned by the driver; every
// operation of the engine works on it by reference.
//
// Persons are numbered 1..N and groups 1..G; index 0 of a person dimension is the weight row in
// DataTable and unused (always 0) elsewhere. Group number 0 in
// Assignment marks a person that was never dealt.
#pragma once

#include <cstdint>
#include <vector>

#include "base/status.h"
#include "base/table.h"
#include "engine/column_figures.h"
#include "engine/group_table.h"
#include "engine/type_order.h"
#include "engine/wish_terms.h"
#include "model/model.h"

namespace quorvale {

// The model it was given (params, DataTable) and what the engine computes from it.
struct Problem : Model {
  std::vector<int32_t> Assignment;          // N + 1: group of each person, 0 = not dealt
  std::vector<int32_t> PersonConflict;      // N + 1: pair weight with the own group's members
  std::vector<int32_t> BestAssignment;      // N + 1: Assignment at the best score so far
  std::vector<int32_t> BestPersonConflict;  // N + 1: PersonConflict with BestAssignment
  Table2D<int16_t> ConflictMatrix;          // N + 1 rows of N + 1: symmetric pair weights
  GroupTable GroupConflictTable;            // (p, g): weight of p with group g's members
  std::vector<ColumnBound> ColumnBounds;    // C: what BuildConflictMatrix records per column
  // The fast descent's persons by type with its copy of ConflictMatrix, made by the first fast
  // descent after SetUpStartValues; empty with one type, with the plain engine and beyond
  // kTypeOrderMaxPersons.
  TypeOrder PersonsByType;
  // The largest sum of |M| along a matrix row, -1 until measured (a search that needs it measures
  // it once for all its chains).
  int64_t LargestRowSum = -1;
  // The wishes beyond pairs for Assignment, made by SetUpStartValues; CurrentScore and BestScore
  // include their score, PersonConflict does not.
  WishTerms Terms;
  // With Rounds above 1: every round's grouping (Rounds rows of N + 1) at the best score so far.
  // CurrentScore and BestScore are then the whole schedule's, and Assignment, BestAssignment
  // and the tables beside them its first round's.
  std::vector<std::vector<int32_t>> BestRounds;

  // Scores in hundredths of a point. They are kept in 64 bits so that large inputs cannot wrap.
  int64_t TargetScore = 0;
  float ShownTargetScore = 0.0f;  // TargetScore / 100, the only target value the screen shows
  int64_t CurrentScore = 0;
  int64_t BestScore = 0;
  int32_t ConflictDensity = 0;  // percent of person pairs with a non-zero weight, 0..50
  // Pairs k < j with a non-zero weight, counted as the matrix is built; -1 when not counted.
  int64_t NonZeroPairs = -1;

  int32_t BaseGroupSize = 0;    // M = N / G
  int32_t LargeGroupCount = 0;  // R = N mod G
  int32_t TotalCycles = 0;
};

// Bytes a run with these parameters takes at its peak: the tables, the scratch of the matrix
// build and the scrambler, and the fast engine's working layout.
double ProblemBytes(const Parameters& params);

// Sizes every table from the parameters and fills it with zeros. Fails with a message when the
// tables would take more than `memory_limit` bytes or do not fit in memory; the parameters must
// already be in their valid ranges.
Status AllocateProblem(const Parameters& params, Problem& problem, double memory_limit = 1e300);

// Bytes a run of `model` takes at its peak: ProblemBytes, and with rounds the meetings of every
// pair and the search's tables of every round.
double ModelBytes(const Model& model);

// Allocates the problem for `model`, whose data table is filled, and takes the model over. Fails
// as AllocateProblem does, or when the rounds' tables would take more than `memory_limit`.
Status LoadModel(Model&& model, Problem& problem, double memory_limit = 1e300);

}  // namespace quorvale
