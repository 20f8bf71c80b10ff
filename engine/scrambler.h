// The scrambler: deals the group numbers of a chosen set of persons of one type out again among
// them in a random order, so the descent can leave the local minimum it last stopped in. It only
// permutes group numbers, so no group changes its size or its number of persons of that type.
#pragma once

#include <cstdint>

#include "engine/problem.h"
#include "engine/random.h"

namespace quorvale {

// Chooses every person of `scramble_type` in conflict (PersonConflict of 1 or more, or alone with
// their value of a buddy column) and, with a
// chance of `scramble_rate` in 100, each other one of that type; with three or more chosen,
// shuffles their groups by random keys. PersonConflict must be up to date for Assignment.
// Leaves GroupConflictTable, PersonConflict and CurrentScore describing the old grouping.
void Scramble(Problem& problem, int32_t scramble_type, int32_t scramble_rate, RandomSource& random);

}  // namespace quorvale
