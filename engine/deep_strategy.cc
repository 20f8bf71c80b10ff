// The deep search: an iterated local search on exchanges in the shape of the iterated maxima
// search of Lai and Hao, "Iterated maxima search for the maximally diverse grouping problem",
// European Journal of Operational Research 254(3), 2016, which is this problem with the weights
// negated. Its pieces here:
//   - the descent: an improving exchange per person in rounds until none gains (after the
//     local-maximum method of Papenberg and Klau, "Using anticlustering to partition data sets
//     into equivalent parts", Psychological Methods 26(2), 2021);
//   - the maxima search: a weak perturbation and a descent, kept when the score does not rise
//     and undone otherwise. The perturbation takes turns between random exchanges, a scramble
//     of some of one type's persons in conflict and random exchanges within three groups, and
//     its strength grows by one with every attempt that finds nothing better and falls back at
//     an improvement, as the jump magnitude of breakout local search does (Benlic and Hao,
//     Engineering Applications of Artificial Intelligence 26(3), 2013);
//   - a perturbation round: once the maxima search has failed a number of times in a row, a
//     strong perturbation of the best grouping found so far starts the next one; it grows by
//     half with every round that found nothing better;
//   - a memetic step once the rounds have long stalled: the ends of the chain's rounds make an
//     elite pool, and each round then starts from a crossover of the best grouping with one of
//     them that keeps what both share and deals the rest out again (after the group-based
//     crossover of the memetic search of Lai, Hao, Fu and Lu, 2021, for the maximally diverse
//     grouping problem, here reduced to the persons both parents place alike once their groups
//     are matched). Where random round starts had stopped finding anything, on the weighted
//     instances of bench/search_quality.cc, the crossovers keep improving for the whole 25 s;
//   - a restart from a random grouping once the chain has stalled for as many rounds as it took
//     to find its best, and for kRestartAfterIdleRounds at least.
// The first chain's rounds are the search's cycles. With more than one thread, each further chain
// starts from a random grouping of its own and searches on its own; every better grouping it
// finds is handed to the run loop, which keeps the best of all. The first chain so makes exactly
// the moves it would make alone, and a second thread adds a chain beside it (chains that took
// each other's better groupings measured worse: they left their own paths for one place). Only
// the calling thread talks to the run loop.
#include "engine/deep_strategy.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/deep_chain.h"
#include "engine/initial_assignment.h"

namespace quorvale {

namespace {

// How hard a chain perturbs, from the number of persons that can trade groups.
struct Tuning {
  int32_t weak_min;
  int32_t weak_max;
  int32_t patience;    // failed maxima-search attempts in a row that end a round
  int32_t strong_min;  // exchanges of the perturbation that starts a round: from this many,
  int32_t strong_max;  // growing after each round that found nothing better, up to this
};

// Measured on the instances of bench/search_quality.cc: small strengths let the descent undo the
// perturbation; a round start of a quarter of the persons suited mixed weights, one as strong as
// a new random grouping the classes, so it grows from the one to the other.
Tuning TuningFor(int32_t movers) {
  Tuning t{};
  t.weak_min = 5;
  t.weak_max = std::max(t.weak_min, movers / 2);
  t.patience = 10;
  t.strong_max = std::max(t.weak_max, movers);
  t.strong_min = std::max(t.weak_min, movers / 4);
  return t;
}

// Rounds in a row without a better grouping after which rounds start from crossovers. Until then
// the random round starts, which grow to new random groupings, keep finding new basins; on the
// class instances they do so for many rounds, and crossing over sooner measured worse there.
constexpr int32_t kCrossoverAfterIdleRounds = 30;

// The groups whose members the local perturbation exchanges.
constexpr int32_t kLocalGroups = 3;

// Rounds in a row without a better grouping after which a chain starts over, at the least.
constexpr int32_t kRestartAfterIdleRounds = 300;

// The best distinct ends of a chain's rounds, the parents of its crossovers: at most kSize of
// them, no two of one score (a cheap stand-in for distinct groupings), the worst replaced by a
// better one.
class ElitePool {
 public:
  static constexpr size_t kSize = 8;

  void Offer(const DeepChain& chain) {
    const int64_t score = chain.score();
    for (const Entry& entry : entries_) {
      if (entry.score == score) return;
    }
    if (entries_.size() < kSize) {
      entries_.push_back({score, chain.assignment()});
      return;
    }
    auto worst = std::max_element(entries_.begin(), entries_.end(),
                                  [](const Entry& a, const Entry& b) { return a.score < b.score; });
    if (score < worst->score) *worst = {score, chain.assignment()};
  }

  // A grouping drawn from the pool, not the one of score `best`; null while the pool has fewer
  // than two.
  const std::vector<int32_t>* Mate(DeepChain& chain, int64_t best) {
    if (entries_.size() < 2) return nullptr;
    size_t pick = chain.Draw(static_cast<uint32_t>(entries_.size()));
    if (entries_[pick].score == best) pick = (pick + 1) % entries_.size();
    return &entries_[pick].grouping;
  }

 private:
  struct Entry {
    int64_t score;
    std::vector<int32_t> grouping;
  };
  std::vector<Entry> entries_;
};

// What a chain needs from the search it runs in.
class ChainHost {
 public:
  virtual ~ChainHost() = default;
  // Polled during the descents; false ends the chain's round at once.
  virtual bool KeepGoing(const DeepChain& chain) = 0;
  // After every descent, with the chain's grouping; `finished` is false when the descent was cut
  // short. False ends the chain's round.
  virtual bool AfterStep(const DeepChain& chain, bool finished) = 0;
};

// The iterated maxima search of one chain, a round at a time, from its loaded grouping.
class ChainRounds {
 public:
  explicit ChainRounds(DeepChain& chain)
      : chain_(chain), t_(TuningFor(chain.exchangeable())), strong_(t_.strong_min) {}

  // One round: its start (the first descent, or a perturbation, crossover or restart of the best
  // grouping and its descent), then the maxima search. False when the host ended it.
  bool Round(ChainHost& host);

 private:
  // Runs the descent and hands its grouping to the host; false when the round must end.
  bool DescendAndReport(ChainHost& host);
  bool Start(ChainHost& host);
  bool MaximaSearch(ChainHost& host);

  DeepChain& chain_;
  const Tuning t_;
  bool started_ = false;
  int64_t best_ = 0;
  std::vector<int32_t> best_grouping_;
  int32_t strong_;
  ElitePool elite_;
  int32_t idle_rounds_ = 0;  // rounds in a row that found nothing better
  int32_t rounds_ = 0;       // since the chain's start
  int32_t best_round_ = 0;   // the round that found the chain's best
  uint32_t attempt_ = 0;     // the maxima search's attempts, for the kind of perturbation
};

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
  elite_.Offer(chain_);
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
    return DescendAndReport(host);
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
    elite_ = ElitePool();
    idle_rounds_ = rounds_ = best_round_ = 0;
    strong_ = t_.strong_min;
    return host.AfterStep(chain_, finished) && finished;
  }
  // Long stalled, a round starts from a crossover of the best grouping with another elite one
  // instead of from a random perturbation of it.
  const std::vector<int32_t>* mate =
      idle_rounds_ >= kCrossoverAfterIdleRounds ? elite_.Mate(chain_, best_) : nullptr;
  if (mate != nullptr) {
    chain_.CrossWith(*mate);
  } else {
    chain_.Perturb(strong_);
  }
  return DescendAndReport(host);
}

bool ChainRounds::MaximaSearch(ChainHost& host) {
  int32_t strength = t_.weak_min;
  for (int32_t fails = 0; fails < t_.patience;) {
    chain_.Mark();
    const int64_t before = chain_.score();
    // Three kinds of perturbation take turns, as each finds what the others miss: random
    // exchanges anywhere, a scramble of some persons in conflict, and random exchanges among
    // the members of three groups, after which the descent has only those to scan again and
    // so costs a fraction of a whole sweep (after the neighbourhood decomposition of Lai, Hao,
    // Fu and Yue, 2021, which searches the exchanges among a few groups at a time).
    switch (attempt_++ % 3) {
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

// A chain's grouping, as the run loop takes it.
class ChainGrouping final : public Grouping {
 public:
  explicit ChainGrouping(const DeepChain& chain) : chain_(chain) {}
  int64_t score() const override { return chain_.score(); }
  void CopyInto(std::vector<int32_t>& assignment, std::vector<int32_t>& conflicts) const override {
    std::copy(chain_.assignment().begin() + 1, chain_.assignment().end(), assignment.begin() + 1);
    chain_.CopyPersonConflicts(conflicts);
  }

 private:
  const DeepChain& chain_;
};

// The best grouping the further chains have found, with its PersonConflict.
class SharedBest {
 public:
  explicit SharedBest(int64_t score) : score_(score) {}
  int64_t score() const { return score_.load(std::memory_order_acquire); }
  void Offer(const DeepChain& chain) {
    if (chain.score() >= score()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (chain.score() >= score_.load(std::memory_order_relaxed)) return;
    grouping_ = chain.assignment();
    chain.CopyPersonConflicts(conflicts_);
    score_.store(chain.score(), std::memory_order_release);
  }
  // Hands the shared best to `host` when it is better than `score`; the host copies it whole.
  void HandOver(int64_t score, StepHost& host) {
    if (this->score() >= score) return;
    std::lock_guard<std::mutex> lock(mutex_);
    host.OfferBetter(Copy{*this});
  }

 private:
  struct Copy final : Grouping {
    explicit Copy(const SharedBest& shared) : shared_(shared) {}
    int64_t score() const override { return shared_.score_.load(std::memory_order_relaxed); }
    void CopyInto(std::vector<int32_t>& assignment,
                  std::vector<int32_t>& conflicts) const override {
      std::copy(shared_.grouping_.begin() + 1, shared_.grouping_.end(), assignment.begin() + 1);
      conflicts = shared_.conflicts_;
    }
    const SharedBest& shared_;
  };

  std::mutex mutex_;
  std::atomic<int64_t> score_;
  std::vector<int32_t> grouping_;
  std::vector<int32_t> conflicts_;
};

// A further chain on a thread of its own: it searches until the search is over and hands every
// better grouping to the shared best.
class WorkerHost final : public ChainHost {
 public:
  WorkerHost(SharedBest& best, const std::atomic<bool>& over, int64_t target)
      : best_(best), over_(over), target_(target) {}
  bool KeepGoing(const DeepChain&) override { return !over_.load(std::memory_order_relaxed); }
  bool AfterStep(const DeepChain& chain, bool) override {
    best_.Offer(chain);
    // At the Target Score nothing better exists: this chain can end.
    return chain.score() != target_ && !over_.load(std::memory_order_relaxed);
  }

 private:
  SharedBest& best_;
  const std::atomic<bool>& over_;
  const int64_t target_;
};

// The first chain, in the calling thread: it reports to the run loop, and hands it the further
// chains' better groupings as it goes.
class LoopHost final : public ChainHost {
 public:
  LoopHost(StepHost& host, SharedBest* shared) : host_(host), shared_(shared) {}
  bool KeepGoing(const DeepChain& chain) override { return host_.Poll(chain.score()); }
  bool AfterStep(const DeepChain& chain, bool finished) override {
    if (shared_ != nullptr) shared_->HandOver(chain.score(), host_);
    return host_.AfterStep(ChainGrouping(chain), finished);
  }

 private:
  StepHost& host_;
  SharedBest* shared_;
};

}  // namespace

struct DeepStrategy::State {
  State(const Problem& p, uint64_t seed, KernelLevel level)
      : chain(p, seed, DeepChain::kNarrowRowSum, level), rounds(chain), shared(p.BestScore) {}
  DeepChain chain;  // the first chain
  ChainRounds rounds;
  SharedBest shared;
  std::atomic<bool> over{false};
  std::vector<std::thread> threads;  // the further chains, each made and run in its thread
};

namespace {

// A further chain: made in its own thread (on a large class that takes as long as a full read of
// the matrix), from a random grouping of its own, so the chains do not all descend the same way.
void RunFurtherChain(const Problem& p, uint64_t seed, KernelLevel level, SharedBest& shared,
                     const std::atomic<bool>& over) {
  DeepChain chain(p, seed, DeepChain::kNarrowRowSum, level);
  if (over.load()) return;
  chain.Load(p.Assignment);
  chain.Perturb(chain.exchangeable());
  ChainRounds rounds(chain);
  WorkerHost host(shared, over, p.TargetScore);
  while (rounds.Round(host)) {
  }
}

}  // namespace

DeepStrategy::DeepStrategy(Problem& problem, const Engine& engine, uint32_t seed, int threads)
    : p_(problem), engine_(engine) {
  // The chains scan only a person's own type when the persons can be ordered by type.
  if (!p_.PersonsByType.Fits(p_)) p_.PersonsByType.Build(p_);
  // Once for all chains, before any reads the problem from another thread.
  if (p_.LargestRowSum < 0) p_.LargestRowSum = MeasureLargestRowSum(p_);
  // Each chain's generator is its own, drawn from the seed, so one chain's run is fixed by it.
  SplitMix64 seeds(seed);
  state_ = std::make_unique<State>(p_, seeds.Next(), engine.level());
  SplitMix64 worker_seeds(seeds.Next());
  for (int i = 1; i < threads; ++i) {
    try {
      state_->threads.emplace_back(RunFurtherChain, std::cref(p_), worker_seeds.Next(),
                                   engine.level(), std::ref(state_->shared),
                                   std::cref(state_->over));
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the chains already started go on
    }
  }
  state_->chain.Load(p_.Assignment);
}

DeepStrategy::~DeepStrategy() {
  state_->over.store(true);
  for (std::thread& thread : state_->threads) thread.join();
}

bool DeepStrategy::RunCycle(int32_t, StepHost& host) {
  LoopHost loop_host(host, state_->threads.empty() ? nullptr : &state_->shared);
  return state_->rounds.Round(loop_host);
}

void DeepStrategy::Finish(StepHost& host) {
  state_->over.store(true);
  for (std::thread& thread : state_->threads) thread.join();
  state_->threads.clear();
  state_->shared.HandOver(p_.BestScore, host);
  // The problem's tables describe the first chain's last grouping again.
  const std::vector<int32_t>& last = state_->chain.assignment();
  std::copy(last.begin() + 1, last.end(), p_.Assignment.begin() + 1);
  EvaluateAssignment(p_, engine_);
}

}  // namespace quorvale
