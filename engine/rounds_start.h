// The first schedule of a search over rounds, made greedily round after round: the dealt
// grouping, then each further round dealt again (each exchange class's persons shuffled among
// their places by a fixed generator) and improved by exchanges against the rounds before it.
#pragma once

#include <cstdint>

#include "engine/engine.h"
#include "engine/problem.h"
#include "engine/rounds_schedule.h"

namespace quorvale {

// Improves `round` of `schedule` by exchanges, each person in turn taking the first partner whose
// exchange lowers the score, until a whole pass finds none or `work` exchange gains have been
// computed. Returns the gains computed.
int64_t DescendRound(RoundsSchedule& schedule, int32_t round, int64_t work);

// With Rounds above 1, after the deal and its start values: BestRounds, CurrentScore and
// BestScore for the first schedule, Assignment and the best-so-far copies for its first round.
void SetUpRounds(Problem& problem, const Engine& engine);

}  // namespace quorvale
