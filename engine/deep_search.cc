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
// The rounds are the search's cycles. With more than one thread, each further chain starts from
// a random grouping of its own and searches on its own; the best grouping of all chains is the
// search's. The first chain so makes exactly the moves it would make alone, and a second thread
// adds a chain beside it (chains that took each other's better groupings measured worse: they
// left their own paths for one place). Only the calling thread talks to the observer, the clock and
// the results.
#include "engine/deep_search.h"

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
#include "engine/panel_refresh.h"
#include "engine/results_saving.h"

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
  // Whether another perturbation round may start.
  virtual bool ClaimRound() = 0;
  // Polled during the descents; false ends the chain at once.
  virtual bool KeepGoing() = 0;
  // After every descent, with the chain's grouping; false ends the chain.
  virtual bool AfterStep(const DeepChain& chain) = 0;
};

// The iterated maxima search of one chain, from its loaded grouping.
void RunChain(DeepChain& chain, ChainHost& host) {
  const DeepChain::Poll poll = [&host] { return host.KeepGoing(); };
  const Tuning t = TuningFor(chain.exchangeable());
  if (!host.ClaimRound()) return;
  chain.Mark();
  bool finished = chain.Descend(poll);
  int64_t best = chain.score();
  std::vector<int32_t> best_grouping = chain.assignment();
  if (!host.AfterStep(chain) || !finished) return;
  int32_t strong = t.strong_min;
  ElitePool elite;
  int32_t idle_rounds = 0;  // rounds in a row that found nothing better
  int32_t rounds = 0;       // since the chain's start
  int32_t best_round = 0;   // the round that found the chain's best
  uint32_t attempt = 0;     // the maxima search's attempts, for the kind of perturbation
  for (;;) {
    const int64_t round_start_best = best;
    // The maxima search.
    int32_t strength = t.weak_min;
    for (int32_t fails = 0; fails < t.patience;) {
      chain.Mark();
      const int64_t before = chain.score();
      // Three kinds of perturbation take turns, as each finds what the others miss: random
      // exchanges anywhere, a scramble of some persons in conflict, and random exchanges among
      // the members of three groups, after which the descent has only those to scan again and
      // so costs a fraction of a whole sweep (after the neighbourhood decomposition of Lai, Hao,
      // Fu and Yue, 2021, which searches the exchanges among a few groups at a time).
      switch (attempt++ % 3) {
        case 0:
          chain.Perturb(strength);
          break;
        case 1:
          chain.ScrambleConflicts(std::min(1024, strength * 1024 / t.weak_max));
          break;
        default:
          chain.PerturbAmong(strength, kLocalGroups);
          break;
      }
      finished = chain.Descend(poll);
      if (chain.score() < best) {
        best = chain.score();
        best_grouping = chain.assignment();
      }
      if (!host.AfterStep(chain) || !finished) return;
      if (chain.score() < before) {
        fails = 0;
        strength = t.weak_min;
        continue;
      }
      ++fails;
      // An equal score is kept, so the search can walk along a plateau.
      if (chain.score() > before) chain.Revert();
      strength = std::min(strength + 1, t.weak_max);
    }
    elite.Offer(chain);
    // The next round, from the best grouping found; the longer nothing improves, the farther
    // from it.
    strong = best < round_start_best ? t.strong_min : std::min(strong + strong / 2, t.strong_max);
    if (!host.ClaimRound()) return;
    // When the chain still holds its best grouping, its tables need no new evaluation.
    if (chain.assignment() != best_grouping) chain.Load(best_grouping);
    chain.Mark();
    idle_rounds = best < round_start_best ? 0 : idle_rounds + 1;
    ++rounds;
    if (best < round_start_best) best_round = rounds;
    // Stalled for as long as it took to find its best, and long in any case, the chain starts
    // over from a random grouping: on the class instances a chain could otherwise stand in one
    // basin for thousands of rounds that crossovers and perturbations never left.
    if (idle_rounds >= std::max(kRestartAfterIdleRounds, best_round)) {
      chain.Perturb(chain.exchangeable());
      finished = chain.Descend(poll);
      best = chain.score();
      best_grouping = chain.assignment();
      if (!host.AfterStep(chain) || !finished) return;
      elite = ElitePool();
      idle_rounds = 0;
      rounds = 0;
      best_round = 0;
      strong = t.strong_min;
      continue;
    }
    // Long stalled, a round starts from a crossover of the best grouping with another elite one
    // instead of from a random perturbation of it.
    const std::vector<int32_t>* mate =
        idle_rounds >= kCrossoverAfterIdleRounds ? elite.Mate(chain, best) : nullptr;
    if (mate != nullptr) {
      chain.CrossWith(*mate);
    } else {
      chain.Perturb(strong);
    }
    finished = chain.Descend(poll);
    if (chain.score() < best) {
      best = chain.score();
      best_grouping = chain.assignment();
    }
    if (!host.AfterStep(chain) || !finished) return;
  }
}

// The best grouping of all chains, with its PersonConflict.
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
  // Copies the best grouping and its PersonConflict out when it is better than `score`.
  bool CopyIfBetter(int64_t score, std::vector<int32_t>& grouping, std::vector<int32_t>& conflicts,
                    int64_t& shared_score) {
    if (this->score() >= score) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    grouping = grouping_;
    conflicts = conflicts_;
    shared_score = score_.load(std::memory_order_relaxed);
    return true;
  }

 private:
  std::mutex mutex_;
  std::atomic<int64_t> score_;
  std::vector<int32_t> grouping_;
  std::vector<int32_t> conflicts_;
};

// What every chain of one search shares: the rounds, the end and the best grouping.
struct SharedState {
  SharedState(int64_t score, int32_t total) : best(score), total_rounds(total) {}
  SharedBest best;
  const int32_t total_rounds;
  std::atomic<int32_t> rounds{0};
  std::atomic<bool> over{false};
  std::atomic<int64_t> target_score{0};
  bool ClaimRound() {
    if (over.load(std::memory_order_relaxed)) return false;
    if (rounds.fetch_add(1, std::memory_order_relaxed) < total_rounds) return true;
    rounds.fetch_sub(1, std::memory_order_relaxed);  // the count shown stays at the plan
    return false;
  }
};

// A chain on another thread: it only shares its best grouping and reads the shared one.
class WorkerHost final : public ChainHost {
 public:
  explicit WorkerHost(SharedState& shared) : shared_(shared) {}
  bool ClaimRound() override { return shared_.ClaimRound(); }
  bool KeepGoing() override { return !shared_.over.load(std::memory_order_relaxed); }
  bool AfterStep(const DeepChain& chain) override {
    shared_.best.Offer(chain);
    if (shared_.best.score() == shared_.target_score.load(std::memory_order_relaxed)) {
      shared_.over.store(true);
    }
    return KeepGoing();
  }

 private:
  SharedState& shared_;
};

// The search in the calling thread: its own chain, the panel, saving, the stop flag, the time
// limit and the other chains' threads.
class DeepSearch final : public ChainHost {
 public:
  DeepSearch(Problem& problem, SearchEnvironment& env)
      : p_(problem),
        env_(env),
        observer_(env.observer),
        refresh_(env.clock),
        shared_(problem.BestScore, problem.TotalCycles) {
    shared_.target_score.store(problem.TargetScore);
  }

  SearchOutcome Run();

  bool ClaimRound() override { return shared_.ClaimRound(); }
  bool KeepGoing() override;
  bool AfterStep(const DeepChain& chain) override;

 private:
  int32_t Cycle() const { return std::min(shared_.rounds.load(), p_.TotalCycles); }
  PanelValues Values() const {
    return PanelValues{p_.CurrentScore, p_.ShownTargetScore, p_.BestScore, Cycle(), p_.TotalCycles};
  }
  void PanelRefreshIfDue() {
    if (const std::optional<int64_t> now = refresh_.Due()) observer_.PanelDue(Values(), *now);
  }
  bool StopRequested() const {
    return env_.stop != nullptr && env_.stop->load(std::memory_order_relaxed) != 0;
  }
  bool TimeIsUp() { return env_.time_limit_ms > 0 && env_.clock.ElapsedMs() >= env_.time_limit_ms; }
  void StartWorkers(uint64_t seed);
  void StopWorkers();
  // Takes a better grouping of another chain as the best so far.
  void TakeSharedBest();
  void SaveIfDue();
  Status Save(int32_t target_status);
  void Close();
  void Stopped();

  Problem& p_;
  SearchEnvironment& env_;
  SearchObserver& observer_;
  PanelRefresh refresh_;
  SharedState shared_;
  SearchOutcome outcome_;
  ResultsSaving saving_{env_, outcome_};
  std::vector<std::unique_ptr<DeepChain>> worker_chains_;
  std::vector<std::unique_ptr<WorkerHost>> worker_hosts_;
  std::vector<std::thread> workers_;
  std::vector<int32_t> grouping_;
  const DeepChain* chain_ = nullptr;  // the calling thread's chain
};

SearchOutcome DeepSearch::Run() {
  refresh_.Start();
  if (p_.CurrentScore == p_.TargetScore) {
    outcome_.TargetStatus = kTargetReached;
    Close();
    return outcome_;
  }
  // The chains scan only a person's own type when the persons can be ordered by type.
  if (!p_.PersonsByType.Fits(p_)) p_.PersonsByType.Build(p_);
  // Each chain's generator is its own, drawn from the seed, so one chain's run is fixed by it.
  SplitMix64 seeds(env_.seed);
  DeepChain chain(p_, seeds.Next(), DeepChain::kNarrowRowSum, env_.engine.level());
  chain.Load(p_.Assignment);
  chain_ = &chain;
  StartWorkers(seeds.Next());
  RunChain(chain, *this);
  StopWorkers();
  TakeSharedBest();
  // The problem's tables describe the main chain's last grouping again.
  std::copy(chain.assignment().begin() + 1, chain.assignment().end(), p_.Assignment.begin() + 1);
  EvaluateAssignment(p_, env_.engine);
  if (StopRequested()) {
    Stopped();
  } else {
    if (p_.BestScore == p_.TargetScore) outcome_.TargetStatus = kTargetReached;
    Close();
  }
  return outcome_;
}

void DeepSearch::StartWorkers(uint64_t seed) {
  SplitMix64 seeds(seed);
  for (int i = 1; i < env_.threads; ++i) {
    auto chain = std::make_unique<DeepChain>(p_, seeds.Next(), DeepChain::kNarrowRowSum,
                                             env_.engine.level());
    chain->Load(p_.Assignment);
    // A random grouping of its own, so the chains do not all descend the same way.
    chain->Perturb(chain->exchangeable());
    auto host = std::make_unique<WorkerHost>(shared_);
    try {
      workers_.emplace_back(RunChain, std::ref(*chain), std::ref(*host));
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the chains already started go on
    }
    worker_chains_.push_back(std::move(chain));
    worker_hosts_.push_back(std::move(host));
  }
}

void DeepSearch::StopWorkers() {
  shared_.over.store(true);
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

void DeepSearch::TakeSharedBest() {
  int64_t score = 0;
  if (!shared_.best.CopyIfBetter(p_.BestScore, grouping_, p_.BestPersonConflict, score)) return;
  std::copy(grouping_.begin() + 1, grouping_.end(), p_.BestAssignment.begin() + 1);
  p_.BestScore = score;
  saving_.NoteImprovement();
}

bool DeepSearch::KeepGoing() {
  p_.CurrentScore = chain_->score();  // the panel follows the descent as it goes
  PanelRefreshIfDue();
  return !StopRequested() && !TimeIsUp() && !shared_.over.load(std::memory_order_relaxed);
}

bool DeepSearch::AfterStep(const DeepChain& chain) {
  p_.CurrentScore = chain.score();
  if (chain.score() < p_.BestScore) {
    std::copy(chain.assignment().begin() + 1, chain.assignment().end(),
              p_.BestAssignment.begin() + 1);
    chain.CopyPersonConflicts(p_.BestPersonConflict);
    p_.BestScore = chain.score();
    saving_.NoteImprovement();
    if (!workers_.empty()) shared_.best.Offer(chain);
  }
  TakeSharedBest();
  if (StopRequested() || p_.BestScore == p_.TargetScore) return false;
  SaveIfDue();
  PanelRefreshIfDue();
  return !StopRequested() && !TimeIsUp();
}

void DeepSearch::SaveIfDue() { saving_.SaveIfDue(p_, Cycle()); }

Status DeepSearch::Save(int32_t target_status) { return saving_.Save(p_, target_status, Cycle()); }

void DeepSearch::Close() {
  observer_.PanelDue(Values(), env_.clock.ElapsedMs());
  observer_.Closing(outcome_.TargetStatus == kTargetReached);
  outcome_.CycleNumber = Cycle();
  Save(outcome_.TargetStatus);
}

void DeepSearch::Stopped() {
  outcome_.stop_signal = env_.stop->load();
  outcome_.CycleNumber = Cycle();
  observer_.PanelDue(Values(), env_.clock.ElapsedMs());
  Save(kTargetNotReached);
}

}  // namespace

SearchOutcome RunDeepSearch(Problem& problem, SearchEnvironment& environment) {
  DeepSearch search(problem, environment);
  return search.Run();
}

}  // namespace quorvale
