// The straightforward engine: the evaluation and the swap descent written exactly as their loops
// are stated, kept as the yardstick for the fast engine in the differential tests and the
// benchmark. Not linked into the program.
#pragma once

#include <cstdint>

#include "engine/problem.h"
#include "engine/search_monitor.h"

namespace quorvale::reference {

// Recomputes GroupConflictTable, PersonConflict and CurrentScore from Assignment and the upper
// half of ConflictMatrix, and returns CurrentScore.
int64_t ReferenceEvaluateAssignment(Problem& problem);

// The descent pair by pair, with the full update of every row after each exchange. Same
// contract as SwapDescent: the tables are exact on entry, after every exchange and on return.
bool ReferenceSwapDescent(Problem& problem, SearchMonitor* monitor);

}  // namespace quorvale::reference
