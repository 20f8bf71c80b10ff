// How often the pairs of a schedule of rounds meet: how many pairs meet 0, 1, 2, ... times, the
// pairs that meet most often, and the fewest repeated meetings any schedule can have. The
// report's meetings table and the verdict's line on them read these figures. The pairs a
// together rule keeps in one group meet every round by wish and are left out.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "engine/problem.h"

namespace quorvale {

// Pairs named as meeting most often, at most.
inline constexpr size_t kMostOftenPairs = 10;

struct MeetingCounts {
  std::vector<int64_t> pairs_meeting;  // [k]: the pairs that meet k times, k = 0..rounds
  int64_t repeated_pairs = 0;          // pairs that meet more than once
  int64_t repeats = 0;                 // the meetings of a pair beyond its first, summed
  int64_t least_repeats = 0;           // no schedule of these rounds has fewer
  int32_t most = 0;                    // the most meetings of one pair
  std::vector<std::pair<int32_t, int32_t>> most_often;  // pairs meeting `most` times (> 1)
};

// The figures of BestRounds. REQUIRES: BestRounds holds problem.Rounds groupings.
MeetingCounts CountMeetings(const Problem& problem);

}  // namespace quorvale
