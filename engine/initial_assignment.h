// The first grouping and the scoring of a grouping.
//
// The dealt grouping fixes, for the whole run, every group's size (R groups of M + 1 and the
// rest of M) and its number of persons of each type: later steps only exchange group numbers
// among persons of one type.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/problem.h"

namespace quorvale {

// Gives every person of a dealt type a group: in turn, or in blocks under TypeMode 2. Under
// TypeMode 3 every person's type becomes 1 first. Persons of other types keep group 0. With
// BalanceTypes, every type in proportion to the group sizes and each pinned person in its group;
// a pinned person then takes a type of its own above BalanceTypes, so that it never moves.
// REQUIRES: BuildConflictMatrix has set BaseGroupSize and LargeGroupCount.
void DealInitialAssignment(Problem& problem);

// Recomputes GroupConflictTable, PersonConflict and CurrentScore from Assignment and
// ConflictMatrix alone, with `engine`, and returns CurrentScore.
int64_t EvaluateAssignment(Problem& problem, const Engine& engine);

// The same as EvaluateAssignment, from tables that are current for the grouping `before`: when
// few persons changed group, only their matrix rows are moved between the group's columns.
// REQUIRES: GroupConflictTable equals what EvaluateAssignment computes for `before`.
int64_t EvaluateAfterMoves(Problem& problem, const Engine& engine,
                           const std::vector<int32_t>& before);

// Persons pairs k < j with a non-zero weight.
int64_t CountNonZeroPairs(const Problem& problem);

// After the deal: the first evaluation, ConflictDensity, BestScore with the best-so-far copies,
// and TotalCycles; clears the fast descent's type order (PersonsByType), which the next fast
// descent makes for the matrix it finds. With rounds, the first schedule (SetUpRounds). Called
// again after ConflictMatrix changes.
void SetUpStartValues(Problem& problem, const Engine& engine);

// Copies Assignment and PersonConflict (entries 1..N) into the best-so-far copies.
void KeepAsBest(Problem& problem);

}  // namespace quorvale
