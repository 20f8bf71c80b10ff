// The deep search: an iterated local search for large classes, chosen instead of the scrambler
// cycles with SearchStrategy::kDeep. It keeps the classic search's contract: the same groups,
// group sizes and type counts, the same observer events, saving rules, stop flag and results;
// its cycles are its perturbation rounds, up to TotalCycles.
#pragma once

#include <cstdint>

#include "engine/problem.h"
#include "engine/search.h"

namespace quorvale {

// From this many persons up the deep search finds better groupings than the scrambler cycles
// in the same time (bench/RESULTS.md, "Search quality"); below it both reach the same scores.
inline constexpr int32_t kDeepSearchFromPersons = 200;

// Runs the deep search with environment.threads chains (at least one); with one chain the run
// is fixed by the seed. Entry and exit as RunSearch.
SearchOutcome RunDeepSearch(Problem& problem, SearchEnvironment& environment);

}  // namespace quorvale
