#include "engine/deep_rounds.h"

#include <algorithm>

namespace quorvale {

namespace {

// Rounds in a row without a better grouping after which rounds start from crossovers. Until then
// the random round starts, which grow to new random groupings, keep finding new basins; on the
// class instances they do so for many rounds, and crossing over sooner measured worse there.
constexpr int32_t kCrossoverAfterIdleRounds = 30;

// The groups whose members the local perturbation exchanges.
constexpr int32_t kLocalGroups = 3;

// Rounds in a row without a better grouping after which a chain starts over, at the least.
constexpr int32_t kRestartAfterIdleRounds = 300;

}  // namespace

ChainRounds::ChainRounds(DeepChain& chain, const DeepTuning& tuning, ElitePool* shared)
    : chain_(chain),
      t_(tuning),
      pool_(shared != nullptr ? shared : &own_),
      strong_(tuning.strong_min) {}

bool ChainRounds::DescendAndReport(ChainHost& host) {
  const bool finished = chain_.Descend([&] { return host.KeepGoing(chain_); });
  if (chain_.score() < best_) {
    best_ = chain_.score();
    best_grouping_ = chain_.assignment();
  }
  return host.AfterStep(chain_, finished) && finished;
}

bool ChainRounds::Round(ChainHost& host) {
  if (!Start(host)) return false;
  const int64_t round_start_best = best_;
  if (!MaximaSearch(host)) return false;
  pool_->Offer(chain_.score(), chain_.assignment());
  // The next round starts from the best grouping found; the longer nothing improves, the farther
  // from it.
  const bool improved = best_ < round_start_best;
  strong_ = improved ? t_.strong_min : std::min(strong_ + strong_ / 2, t_.strong_max);
  idle_rounds_ = improved ? 0 : idle_rounds_ + 1;
  ++rounds_;
  if (improved) best_round_ = rounds_;
  return true;
}

bool ChainRounds::Start(ChainHost& host) {
  if (!started_) {
    started_ = true;
    chain_.Mark();
    best_ = chain_.score();
    best_grouping_ = chain_.assignment();
    const bool going_on = DescendAndReport(host);
    // Where the first descent leaves few persons in conflict (shapes that pack large sets), a
    // round that starts a quarter of the persons away lands far from every good grouping.
    const int32_t near = chain_.exchangeable() / kFewInConflict;
    if (chain_.ExchangeableInConflict() <= near) {
      t_.strong_min = std::max(t_.weak_min, std::min(t_.strong_min, near));
      strong_ = t_.strong_min;
    }
    return going_on;
  }
  // When the chain still holds its best grouping, its tables need no new evaluation.
  if (chain_.assignment() != best_grouping_) chain_.Load(best_grouping_);
  chain_.Mark();
  // Stalled for as long as it took to find its best, and long in any case, the chain starts
  // over from a random grouping: on the class instances a chain could otherwise stand in one
  // basin for thousands of rounds that crossovers and perturbations never left.
  if (idle_rounds_ >= std::max(kRestartAfterIdleRounds, best_round_)) {
    chain_.Perturb(chain_.exchangeable());
    const bool finished = chain_.Descend([&] { return host.KeepGoing(chain_); });
    best_ = chain_.score();
    best_grouping_ = chain_.assignment();
    // A pool of the chain's own starts afresh; a shared one holds the other chains' ends too.
    if (pool_ == &own_) own_.Clear();
    idle_rounds_ = rounds_ = best_round_ = 0;
    strong_ = t_.strong_min;
    return host.AfterStep(chain_, finished) && finished;
  }
  // Long stalled, a round starts from a crossover of the best grouping with another elite one
  // instead of from a random perturbation of it.
  if (idle_rounds_ >= kCrossoverAfterIdleRounds && pool_->Mate(chain_, best_, mate_)) {
    chain_.CrossWith(mate_);
  } else {
    chain_.Perturb(strong_);
  }
  return DescendAndReport(host);
}

void ChainRounds::Perturb(uint32_t attempt, int32_t strength) {
  // Three kinds of perturbation take turns, as each finds what the others miss: random exchanges
  // anywhere, a scramble of some persons in conflict (all of them, with a few others, where the
  // share would choose none), and random exchanges among the members of three groups, after which
  // the descent has only those to scan again and so costs a fraction of a whole sweep (after the
  // neighbourhood decomposition of Lai, Hao, Fu and Yue, 2021, which searches the exchanges among
  // a few groups at a time).
  switch (attempt % 3) {
    case 0:
      chain_.Perturb(strength);
      break;
    case 1:
      chain_.ScrambleConflicts(std::min(1024, strength * 1024 / t_.weak_max));
      break;
    default:
      chain_.PerturbAmong(strength, kLocalGroups);
      break;
  }
}

bool ChainRounds::MaximaSearch(ChainHost& host) {
  int32_t strength = t_.weak_min;
  for (int32_t fails = 0; fails < t_.patience;) {
    chain_.Mark();
    const int64_t before = chain_.score();
    Perturb(attempt_++, strength);
    if (!DescendAndReport(host)) return false;
    if (chain_.score() < before) {
      fails = 0;
      strength = t_.weak_min;
      continue;
    }
    ++fails;
    // An equal score is kept, so the search can walk along a plateau.
    if (chain_.score() > before) chain_.Revert();
    strength = std::min(strength + 1, t_.weak_max);
  }
  return true;
}

}  // namespace quorvale
