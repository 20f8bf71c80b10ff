// The tabu search over all rounds at once, in the shape of the one Dotú and Van Hentenryck gave
// for the social golfer problem ("Scheduling social golfers locally", CPAIOR 2005):
//   - a move exchanges two persons of one class in different groups of one round, one of them in
//     conflict (bearing some cost in its group) where only such moves can gain;
//   - each step takes the best move of all rounds that is not tabu, even a worsening one, ties
//     drawn at random; a tabu move is taken when it would beat the best score found (aspiration);
//   - the two persons moved may not move again in that round for a few steps (the tenure);
//   - after a long run of steps without a better schedule, the search goes back to the best one
//     and perturbs it with random exchanges.
// On large rounds a step looks at a random share of the persons in conflict, so that a step
// stays short. Every choice is drawn from the search's own generator, so a run is fixed by its
// seed.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/deep_chain.h"
#include "engine/problem.h"
#include "engine/rounds_schedule.h"

namespace quorvale {

class RoundsTabu {
 public:
  // Polled now and then with the current score; false ends Run at once.
  using Poll = std::function<bool(int64_t)>;

  // For `problem`'s rounds; the problem must outlive the search.
  RoundsTabu(const Problem& problem, uint64_t seed);

  // Starts from `rounds` (Problem.Rounds groupings, dealt alike), which becomes the best.
  void Load(const std::vector<std::vector<int32_t>>& rounds);

  // Makes steps until `work` exchange gains have been computed or the best score reaches
  // `target`. Returns false when `poll` ended it; the schedule is then consistent.
  bool Run(int64_t work, int64_t target, const Poll& poll);

  const RoundsSchedule& current() const { return schedule_; }
  int64_t best_score() const { return best_score_; }
  // The best schedule found, or the last one found equal to it.
  const std::vector<std::vector<int32_t>>& best() const { return best_; }

 private:
  // One step. Returns the gains computed, or -1 when no person can move.
  int64_t Step();
  // Makes an exchange and logs it.
  void Exchange(int32_t round, int32_t k, int32_t j);
  void Perturb();
  int64_t& TabuUntil(int32_t round, int32_t person) {
    return tabu_[static_cast<size_t>(round) * stride_ + static_cast<size_t>(person)];
  }

  const Problem& p_;
  RoundsSchedule schedule_;
  SplitMix64 random_;
  // Moves of persons without cost in their group can gain only where no pair weight is negative
  // and no wish beyond pairs is set.
  bool conflicts_only_ = true;
  size_t stride_ = 0;          // N + 1
  std::vector<int64_t> tabu_;  // per round and person: the step up to which it is tabu
  std::vector<std::pair<int32_t, int32_t>> candidates_;  // (round, person) of a step
  std::vector<std::vector<int32_t>> best_;
  struct Move {
    int32_t round, k, j;
  };
  std::vector<Move> since_best_;  // the exchanges made since the schedule was the best
  int64_t best_score_ = 0;
  int64_t step_ = 0;
  int64_t last_better_ = 0;  // the step that found the best score
};

}  // namespace quorvale
