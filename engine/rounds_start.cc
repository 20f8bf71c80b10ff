// The greedy first schedule.
#include "engine/rounds_start.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/deep_chain.h"
#include "engine/initial_assignment.h"

namespace quorvale {

namespace {

// Gains a round's descent may compute in the first schedule: on large classes a pass over all
// pairs is long, and the search goes on from wherever the start left off.
constexpr int64_t kStartWorkPerRound = int64_t{1} << 24;

// The start does not depend on the run's seed, so every seed searches from the same schedule.
constexpr uint64_t kStartSeed = 0x5EEDF00Dull;

}  // namespace

int64_t DescendRound(RoundsSchedule& schedule, int32_t round, int64_t work) {
  int64_t done = 0;
  for (bool improved = true; improved && done < work;) {
    improved = false;
    for (int32_t c = 1; c <= schedule.classes(); ++c) {
      const std::vector<int32_t>& members = schedule.ClassMembers(c);
      for (const int32_t k : members) {
        for (const int32_t j : members) {
          if (schedule.Group(round, j) == schedule.Group(round, k)) continue;
          ++done;
          if (schedule.Gain(round, k, j) > 0) {
            schedule.Exchange(round, k, j);
            improved = true;
          }
        }
        if (done >= work) return done;
      }
    }
  }
  return done;
}

void SetUpRounds(Problem& p, const Engine& engine) {
  RoundsSchedule schedule(p);
  std::vector<std::vector<int32_t>> rounds{p.Assignment};
  schedule.Load(rounds);
  DescendRound(schedule, 0, kStartWorkPerRound);
  SplitMix64 random(kStartSeed);
  for (int32_t r = 1; r < p.Rounds; ++r) {
    rounds = schedule.groupings();
    std::vector<int32_t> next = rounds.back();
    for (int32_t c = 1; c <= schedule.classes(); ++c) {
      const std::vector<int32_t>& members = schedule.ClassMembers(c);
      for (size_t i = members.size(); i > 1; --i) {
        const size_t pick = random.Below(static_cast<uint32_t>(i));
        std::swap(next[static_cast<size_t>(members[i - 1])],
                  next[static_cast<size_t>(members[pick])]);
      }
    }
    rounds.push_back(std::move(next));
    schedule.Load(rounds);
    DescendRound(schedule, r, kStartWorkPerRound);
  }
  p.BestRounds = schedule.groupings();
  p.Assignment = p.BestRounds[0];
  EvaluateAssignment(p, engine);
  KeepAsBest(p);
  p.CurrentScore = p.BestScore = schedule.score();
}

}  // namespace quorvale
