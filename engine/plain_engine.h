// The plain engine (KernelLevel::kPlain): the evaluation and the swap descent written exactly as
// their loops are stated. The program runs it where the fast layout does not apply; the tests
// and the benchmark hold the fast engine to it.
#pragma once

#include <cstdint>

#include "engine/problem.h"
#include "engine/search_monitor.h"

namespace quorvale {

// Recomputes GroupConflictTable, PersonConflict and CurrentScore from Assignment and the upper
// half of ConflictMatrix, and returns CurrentScore.
int64_t PlainEvaluateAssignment(Problem& problem);

// The descent pair by pair, with the full update of every row after each exchange, and the only
// one that counts the wishes beyond pairs (Problem.Terms) in its gains. Same contract as
// SwapDescent: the tables are exact on entry, after every exchange and on return.
bool PlainSwapDescent(Problem& problem, SearchMonitor* monitor);

}  // namespace quorvale
