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
//     half with every round that found nothing better. Both strengths and the number of failures
//     follow the shape of the problem (engine/deep_tuning.h);
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
// starts from a random grouping of its own; every better grouping it finds is handed to the run
// loop, which keeps the best of all. The chains do not take each other's better groupings (that
// measured worse: they left their own paths for one place), but they share one elite pool, so a
// stalled chain crosses over with the others' ends too, and every second further chain starts its
// rounds four times as strongly; both measured better than chains that only ran side by side.
// Alone, the first chain keeps its pool to itself, so a one-thread run is fixed by its seed. Only
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
#include "engine/deep_rounds.h"
#include "engine/deep_tuning.h"
#include "engine/elite_pool.h"
#include "engine/initial_assignment.h"

namespace quorvale {

namespace {

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
      : chain(p, seed, DeepChain::kNarrowRowSum, level), shared(p.BestScore) {}
  DeepChain chain;  // the first chain
  std::unique_ptr<ChainRounds> rounds;
  SharedBest shared;
  ElitePool pool;  // the elite of all chains, when there is more than one
  std::atomic<bool> over{false};
  std::vector<std::thread> threads;  // the further chains, each made and run in its thread
};

namespace {

DeepShape ShapeOf(const DeepChain& chain) { return {chain.exchangeable(), chain.groups()}; }

// A further chain: made in its own thread (on a large class that takes as long as a full read of
// the matrix), from a random grouping of its own, so the chains do not all descend the same way.
// A bold chain starts its rounds four times as strongly as the first chain, so the two search
// different distances from their bests; all of them cross over with the same elite pool.
void RunFurtherChain(const Problem& p, uint64_t seed, KernelLevel level, SharedBest& shared,
                     const std::atomic<bool>& over, ElitePool& pool, bool bold) {
  DeepChain chain(p, seed, DeepChain::kNarrowRowSum, level);
  if (over.load()) return;
  chain.Load(p.Assignment);
  chain.Perturb(chain.exchangeable());
  DeepTuning tuning = TuningFor(ShapeOf(chain));
  if (bold) tuning.strong_min = std::min(tuning.strong_max, tuning.strong_min * 4);
  ChainRounds rounds(chain, tuning, &pool);
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
                                   std::cref(state_->over), std::ref(state_->pool), i % 2 == 1);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the chains already started go on
    }
  }
  state_->chain.Load(p_.Assignment);
  // Tuned for the grouping it holds, not for the empty one it was made with.
  // Alone, the chain keeps a pool of its own, so that its seed alone fixes its moves.
  state_->rounds = std::make_unique<ChainRounds>(state_->chain, TuningFor(ShapeOf(state_->chain)),
                                                 state_->threads.empty() ? nullptr : &state_->pool);
}

DeepStrategy::~DeepStrategy() {
  state_->over.store(true);
  for (std::thread& thread : state_->threads) thread.join();
}

bool DeepStrategy::RunCycle(int32_t, StepHost& host) {
  LoopHost loop_host(host, state_->threads.empty() ? nullptr : &state_->shared);
  return state_->rounds->Round(loop_host);
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
