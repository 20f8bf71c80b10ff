// The steps of the tabu search over rounds.
#include "engine/rounds_tabu.h"

#include <algorithm>
#include <limits>

namespace quorvale {

namespace {

// Gains a step computes at most: beyond it a step draws its persons in conflict at random.
constexpr int64_t kStepWork = int64_t{1} << 16;
// How often Run polls, in gains computed.
constexpr int64_t kPollWork = int64_t{1} << 14;
// A person moved stays tabu in its round for kTenureMin + a random 0..kTenureSpread-1 steps.
// Measured on the golfers and the class of bench/rounds_bench.cc: a short tenure found schedules
// without repeats for 32 golfers in 8 rounds ten times sooner than 4 to 11 steps, and no longer
// tenure, tenure per pair of persons, or restart did better on the class or on 9 rounds.
constexpr uint32_t kTenureMin = 1;
constexpr uint32_t kTenureSpread = 3;
// Steps without a better schedule before going back to the best one, and the random exchanges
// (per round) that perturb it then.
constexpr int64_t kStallSteps = 2000;
constexpr int32_t kPerturbExchanges = 4;

// Whether some pair weight is negative: then a person without cost may still gain by a move.
bool HasNegativeWeights(const Problem& p) {
  if (!p.ColumnBounds.empty()) {
    return std::any_of(p.ColumnBounds.begin(), p.ColumnBounds.end(),
                       [](const ColumnBound& column) { return column.weight < 0; });
  }
  for (int32_t x = 1; x <= p.PersonCount(); ++x) {
    const int16_t* row = p.ConflictMatrix.Row(x);
    if (std::any_of(row + 1, row + p.PersonCount() + 1, [](int16_t m) { return m < 0; })) {
      return true;
    }
  }
  return false;
}

}  // namespace

RoundsTabu::RoundsTabu(const Problem& problem, uint64_t seed)
    : p_(problem),
      schedule_(problem),
      random_(seed),
      conflicts_only_(problem.Buddies.empty() && problem.Averages.empty() &&
                      !HasNegativeWeights(problem)),
      stride_(static_cast<size_t>(problem.PersonCount()) + 1) {}

void RoundsTabu::Load(const std::vector<std::vector<int32_t>>& rounds) {
  schedule_.Load(rounds);
  best_ = rounds;
  best_score_ = schedule_.score();
  tabu_.assign(rounds.size() * stride_, 0);
  candidates_.reserve(rounds.size() * stride_);
  since_best_.clear();
  since_best_.reserve(static_cast<size_t>(2 * kStallSteps) +
                      rounds.size() * static_cast<size_t>(kPerturbExchanges));
  last_better_ = step_;
}

void RoundsTabu::Exchange(int32_t round, int32_t k, int32_t j) {
  schedule_.Exchange(round, k, j);
  since_best_.push_back({round, k, j});
}

bool RoundsTabu::Run(int64_t work, int64_t target, const Poll& poll) {
  int64_t next_poll = kPollWork;
  for (int64_t done = 0; done < work && best_score_ > target;) {
    const int64_t step_work = Step();
    if (step_work < 0) return true;  // nothing can move
    done += step_work;
    if (done >= next_poll) {
      next_poll = done + kPollWork;
      if (!poll(schedule_.score())) return false;
    }
  }
  return true;
}

int64_t RoundsTabu::Step() {
  ++step_;
  // The persons a move may start from, and the gains looking at all of them would take.
  candidates_.clear();
  int64_t work = 0;
  for (int32_t r = 0; r < schedule_.rounds(); ++r) {
    for (int32_t c = 1; c <= schedule_.classes(); ++c) {
      const std::vector<int32_t>& members = schedule_.ClassMembers(c);
      for (const int32_t k : members) {
        if (conflicts_only_ && schedule_.Own(r, k) <= 0) continue;
        candidates_.emplace_back(r, k);
        work += static_cast<int64_t>(members.size());
      }
    }
  }
  if (candidates_.empty()) return -1;
  size_t looked_at = candidates_.size();
  if (work > kStepWork) {
    // A random share of them, drawn to the front.
    looked_at = std::max<size_t>(
        1, static_cast<size_t>(kStepWork * static_cast<int64_t>(looked_at) / work));
    for (size_t i = 0; i < looked_at; ++i) {
      const size_t pick = i + random_.Below(static_cast<uint32_t>(candidates_.size() - i));
      std::swap(candidates_[i], candidates_[pick]);
    }
  }
  // The best move that is not tabu, or that beats the best score.
  const int64_t score = schedule_.score();
  int64_t best_gain = std::numeric_limits<int64_t>::min();
  int32_t move_round = -1, move_k = 0, move_j = 0;
  uint32_t ties = 0;
  int64_t done = 0;
  for (size_t i = 0; i < looked_at; ++i) {
    const auto [r, k] = candidates_[i];
    const int32_t gk = schedule_.Group(r, k);
    const bool k_tabu = TabuUntil(r, k) >= step_;
    const std::vector<int32_t>& partners = schedule_.ClassMembers(schedule_.Class(k));
    done += static_cast<int64_t>(partners.size());
    for (const int32_t j : partners) {
      if (schedule_.Group(r, j) == gk) continue;
      const int64_t gain = schedule_.Gain(r, k, j);
      if (gain < best_gain) continue;
      if ((k_tabu || TabuUntil(r, j) >= step_) && score - gain >= best_score_) continue;
      if (gain > best_gain) {
        best_gain = gain;
        ties = 0;
      }
      if (random_.Below(++ties) == 0) {
        move_round = r;
        move_k = k;
        move_j = j;
      }
    }
  }
  if (move_round >= 0) {
    Exchange(move_round, move_k, move_j);
    TabuUntil(move_round, move_k) = step_ + kTenureMin + random_.Below(kTenureSpread);
    TabuUntil(move_round, move_j) = step_ + kTenureMin + random_.Below(kTenureSpread);
    if (schedule_.score() < best_score_) last_better_ = step_;
    // A tie becomes the best too: the search goes back to the newer one.
    if (schedule_.score() <= best_score_) {
      best_score_ = schedule_.score();
      best_ = schedule_.groupings();
      since_best_.clear();
    }
  }
  if (step_ - last_better_ >= kStallSteps) Perturb();
  return done + static_cast<int64_t>(candidates_.size());
}

void RoundsTabu::Perturb() {
  // Back to the best schedule: an exchange undoes itself, and the tables stay exact.
  for (auto move = since_best_.rbegin(); move != since_best_.rend(); ++move) {
    schedule_.Exchange(move->round, move->k, move->j);
  }
  since_best_.clear();
  std::fill(tabu_.begin(), tabu_.end(), 0);
  last_better_ = step_;
  for (int32_t e = 0; e < kPerturbExchanges * schedule_.rounds(); ++e) {
    const int32_t c =
        1 + static_cast<int32_t>(random_.Below(static_cast<uint32_t>(schedule_.classes())));
    const std::vector<int32_t>& members = schedule_.ClassMembers(c);
    if (members.size() < 2) continue;
    const auto r = static_cast<int32_t>(random_.Below(static_cast<uint32_t>(schedule_.rounds())));
    const int32_t k = members[random_.Below(static_cast<uint32_t>(members.size()))];
    const int32_t j = members[random_.Below(static_cast<uint32_t>(members.size()))];
    if (schedule_.Group(r, k) != schedule_.Group(r, j)) Exchange(r, k, j);
  }
}

}  // namespace quorvale
