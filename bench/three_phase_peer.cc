#include "bench/three_phase_peer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <random>
#include <thread>

#include "engine/deep_chain.h"

namespace quorvale::bench {

namespace {

// The package's defaults: up to 400 persons theta falls from 1.2 to 0.1 and the population to
// 2, above it theta from 2.0 to 1.0 and the population to 1.
struct Settings {
  int32_t beta_max = 15;
  int32_t beta_min = 2;
  double theta_max = 1.2;
  double theta_min = 0.1;
  int32_t eta_max = 3;  // rounds of the directed perturbation
  double alpha = 0.05;  // how much worse a distant child may be
};

Settings SettingsFor(int32_t persons) {
  Settings s;
  if (persons > 400) {
    s.theta_max = 2.0;
    s.theta_min = 1.0;
    s.beta_min = 1;
  }
  return s;
}

struct Member {
  std::vector<int32_t> grouping;
  int64_t score = 0;
};

// One population's search; the time is up once the clock reads the limit.
class ThreePhase {
 public:
  ThreePhase(const Problem& p, Clock& clock, uint64_t seed, int64_t limit_ms)
      : p_(p),
        n_(p.PersonCount()),
        g_(p.GroupCount()),
        clock_(clock),
        limit_ms_(limit_ms),
        s_(SettingsFor(p.PersonCount())),
        chain_(p, seed),
        rng_(seed) {
    for (int32_t r = 1; r <= n_; ++r) {
      const bool moves =
          p.Assignment[static_cast<size_t>(r)] != 0 && (p.Type(r) == 1 || p.Type(r) == 2);
      cls_.push_back(moves ? p.Type(r) : 0);
      if (moves) movers_.push_back(r);
    }
    cls_.insert(cls_.begin(), 0);  // persons count from 1
  }

  // Runs until the time is up; calls `note` with every grouping the local search ends in.
  template <typename Note>
  void Run(Note note) {
    std::vector<Member> pop(static_cast<size_t>(s_.beta_max));
    for (Member& m : pop) {
      RandomGrouping(p_, rng_, m.grouping);
      chain_.Load(m.grouping);
      if (!LocalSearch(m, note)) return;
    }
    std::vector<Member> children;
    while (!TimeUp()) {
      const double f =
          std::min(1.0, static_cast<double>(clock_.ElapsedMs()) / static_cast<double>(limit_ms_));
      const double theta = s_.theta_max - (s_.theta_max - s_.theta_min) * f;
      const int32_t eta = static_cast<int32_t>(theta * n_ / g_);
      // 1. Strong perturbation.
      for (Member& m : pop) {
        chain_.Load(m.grouping);
        Undirected(eta);
        if (!LocalSearch(m, note)) return;
      }
      // 2. Crossover.
      if (pop.size() > 1) {
        children.resize(pop.size());
        for (size_t i = 0; i < pop.size(); ++i) {
          size_t j = rng_() % pop.size();
          if (j == i) j = (j + 1) % pop.size();
          Crossover(pop[i].grouping, pop[j].grouping, children[i].grouping);
          chain_.Load(children[i].grouping);
          if (!LocalSearch(children[i], note)) return;
        }
        for (size_t i = 0; i < pop.size(); ++i) {
          if (Accepts(children[i], pop[i])) std::swap(pop[i], children[i]);
        }
      }
      // 3. Directed perturbation.
      for (Member& m : pop) {
        chain_.Load(m.grouping);
        for (int32_t round = 0; round < s_.eta_max; ++round) Directed();
        if (!LocalSearch(m, note)) return;
      }
      ++generations_;
      std::sort(pop.begin(), pop.end(),
                [](const Member& a, const Member& b) { return a.score < b.score; });
      const double beta = s_.beta_max - (s_.beta_max - s_.beta_min) * f;
      pop.resize(std::max<size_t>(1, static_cast<size_t>(std::lround(beta))));
    }
  }

  int64_t generations() const { return generations_; }

 private:
  bool TimeUp() { return clock_.ElapsedMs() >= limit_ms_; }

  // The chain's descent; the member takes its grouping. False when the time ran out.
  template <typename Note>
  bool LocalSearch(Member& m, Note& note) {
    chain_.Mark();  // the undo log is not needed; keep it short
    const bool finished = chain_.Descend([&] { return !TimeUp(); });
    m.grouping = chain_.assignment();
    m.score = chain_.score();
    note(chain_);
    return finished;
  }

  // `count` exchanges of two persons drawn at random, of one type and in different groups.
  void Undirected(int32_t count) {
    const std::vector<int32_t>& grp = chain_.assignment();
    for (int32_t made = 0, draws = 0; made < count && draws < 100 * (count + 1); ++draws) {
      const int32_t x = movers_[rng_() % movers_.size()];
      const int32_t y = movers_[rng_() % movers_.size()];
      if (cls_[static_cast<size_t>(x)] != cls_[static_cast<size_t>(y)] ||
          grp[static_cast<size_t>(x)] == grp[static_cast<size_t>(y)]) {
        continue;
      }
      chain_.Exchange(x, y);
      ++made;
    }
  }

  // The weight of person r with the members of each group of `grouping`, into row[1..G].
  void GroupWeights(int32_t r, const std::vector<int32_t>& grouping, std::vector<int64_t>& row) {
    row.assign(static_cast<size_t>(g_) + 1, 0);
    const int16_t* m = p_.ConflictMatrix.Row(r);
    for (int32_t x = 1; x <= n_; ++x)
      row[static_cast<size_t>(grouping[static_cast<size_t>(x)])] += m[x];
  }

  void Crossover(const std::vector<int32_t>& a, const std::vector<int32_t>& b,
                 std::vector<int32_t>& child);
  bool Accepts(const Member& child, const Member& parent) const;
  void Directed();

  const Problem& p_;
  const int32_t n_;
  const int32_t g_;
  Clock& clock_;
  const int64_t limit_ms_;
  const Settings s_;
  DeepChain chain_;
  std::mt19937_64 rng_;
  std::vector<int32_t> cls_;  // per person: its type if it trades groups, else 0
  std::vector<int32_t> movers_;
  int64_t generations_ = 0;
};

void ThreePhase::Crossover(const std::vector<int32_t>& a, const std::vector<int32_t>& b,
                           std::vector<int32_t>& child) {
  const size_t groups = static_cast<size_t>(g_) + 1;
  // Each group's places per type, the same in every grouping.
  std::vector<int32_t> room(groups * 3, 0);
  for (const int32_t r : movers_) {
    ++room[static_cast<size_t>(a[static_cast<size_t>(r)]) * 3 +
           static_cast<size_t>(cls_[static_cast<size_t>(r)])];
  }
  // Per parent: members of each group still to place, and each one's weight with them.
  const std::vector<int32_t>* parents[2] = {&a, &b};
  std::vector<std::vector<int32_t>> members[2];
  std::vector<int64_t> weight[2];
  for (int q = 0; q < 2; ++q) {
    const std::vector<int32_t>& parent = *parents[q];
    members[q].assign(groups, {});
    weight[q].assign(static_cast<size_t>(n_) + 1, 0);
    for (const int32_t r : movers_)
      members[q][static_cast<size_t>(parent[static_cast<size_t>(r)])].push_back(r);
    for (const int32_t r : movers_) {
      for (const int32_t x : members[q][static_cast<size_t>(parent[static_cast<size_t>(r)])]) {
        weight[q][static_cast<size_t>(r)] += p_.ConflictMatrix(r, x);
      }
    }
  }
  child = a;
  for (const int32_t r : movers_) child[static_cast<size_t>(r)] = 0;
  std::vector<char> taken(groups, 0);  // the child's groups already given a parent's group
  std::vector<int32_t> need(3, 0);
  std::vector<int32_t> fits;
  for (int32_t step = 0; step < g_; ++step) {
    const int q = static_cast<int>(rng_() % 2);
    // The parent's best remaining group: the least weight per member still to place.
    size_t best = 0;
    double best_value = std::numeric_limits<double>::max();
    for (size_t h = 1; h < groups; ++h) {
      if (members[q][h].empty()) continue;
      int64_t sum = 0;
      for (const int32_t r : members[q][h]) sum += weight[q][static_cast<size_t>(r)];
      const double value = static_cast<double>(sum) / static_cast<double>(members[q][h].size());
      if (value < best_value) {
        best_value = value;
        best = h;
      }
    }
    if (best == 0) break;
    std::fill(need.begin(), need.end(), 0);
    for (const int32_t r : members[q][best])
      ++need[static_cast<size_t>(cls_[static_cast<size_t>(r)])];
    fits.clear();
    size_t roomiest = 0;
    int32_t roomiest_short = std::numeric_limits<int32_t>::max();
    for (size_t t = 1; t < groups; ++t) {
      if (taken[t]) continue;
      int32_t short_by = 0;
      for (size_t c = 1; c <= 2; ++c) short_by += std::max(0, need[c] - room[t * 3 + c]);
      if (short_by == 0) fits.push_back(static_cast<int32_t>(t));
      if (short_by < roomiest_short) {
        roomiest_short = short_by;
        roomiest = t;
      }
    }
    const size_t target = fits.empty() ? roomiest : static_cast<size_t>(fits[rng_() % fits.size()]);
    if (target == 0) break;
    taken[target] = 1;
    // Its members go there as far as the places of their type allow; the others stay to place.
    const std::vector<int32_t> moving = members[q][best];
    for (const int32_t r : moving) {
      const size_t c = static_cast<size_t>(cls_[static_cast<size_t>(r)]);
      if (room[target * 3 + c] == 0) continue;
      --room[target * 3 + c];
      child[static_cast<size_t>(r)] = static_cast<int32_t>(target);
      for (int o = 0; o < 2; ++o) {
        std::vector<int32_t>& list =
            members[o][static_cast<size_t>((*parents[o])[static_cast<size_t>(r)])];
        list.erase(std::find(list.begin(), list.end(), r));
        for (const int32_t x : list) weight[o][static_cast<size_t>(x)] -= p_.ConflictMatrix(x, r);
      }
    }
  }
  // The persons still to place take the places left, in a random order.
  for (int32_t c = 1; c <= 2; ++c) {
    std::vector<int32_t> persons;
    std::vector<int32_t> places;
    for (const int32_t r : movers_) {
      if (cls_[static_cast<size_t>(r)] == c && child[static_cast<size_t>(r)] == 0)
        persons.push_back(r);
    }
    for (size_t t = 1; t < groups; ++t) {
      for (int32_t k = 0; k < room[t * 3 + static_cast<size_t>(c)]; ++k)
        places.push_back(static_cast<int32_t>(t));
    }
    std::shuffle(places.begin(), places.end(), rng_);
    for (size_t i = 0; i < persons.size(); ++i) child[static_cast<size_t>(persons[i])] = places[i];
  }
}

bool ThreePhase::Accepts(const Member& child, const Member& parent) const {
  if (child.score <= parent.score) return true;
  // Pairs grouped together in one and apart in the other, from the table of overlaps.
  const size_t groups = static_cast<size_t>(g_) + 1;
  std::vector<int64_t> overlap(groups * groups, 0);
  std::vector<int64_t> in_child(groups, 0);
  std::vector<int64_t> in_parent(groups, 0);
  int64_t dealt = 0;
  for (int32_t r = 1; r <= n_; ++r) {
    const size_t gc = static_cast<size_t>(child.grouping[static_cast<size_t>(r)]);
    const size_t gp = static_cast<size_t>(parent.grouping[static_cast<size_t>(r)]);
    if (gc == 0) continue;
    ++dealt;
    ++overlap[gc * groups + gp];
    ++in_child[gc];
    ++in_parent[gp];
  }
  const auto pairs = [](int64_t k) { return k * (k - 1) / 2; };
  int64_t apart = 0;
  for (size_t h = 1; h < groups; ++h) apart += pairs(in_child[h]) + pairs(in_parent[h]);
  for (const int64_t k : overlap) apart -= 2 * pairs(k);
  const double distance =
      static_cast<double>(apart) / static_cast<double>(std::max<int64_t>(1, pairs(dealt))) * g_;
  // The paper's ratio of the two objectives, as a relative loss for a score to be lowered.
  const double loss = static_cast<double>(child.score - parent.score) /
                      static_cast<double>(std::max<int64_t>(1, std::llabs(parent.score)));
  return loss < s_.alpha * distance;
}

void ThreePhase::Directed() {
  std::vector<int32_t> conflict;
  std::vector<int64_t> row;
  for (int32_t c = 1; c <= 2; ++c) {
    chain_.CopyPersonConflicts(conflict);
    const std::vector<int32_t>& grp = chain_.assignment();
    // Each group's most conflicted person of type c.
    std::vector<int32_t> removed(static_cast<size_t>(g_) + 1, 0);
    std::vector<int32_t> size(static_cast<size_t>(g_) + 1, 0);
    for (int32_t r = 1; r <= n_; ++r) ++size[static_cast<size_t>(grp[static_cast<size_t>(r)])];
    for (const int32_t r : movers_) {
      if (cls_[static_cast<size_t>(r)] != c) continue;
      int32_t& worst = removed[static_cast<size_t>(grp[static_cast<size_t>(r)])];
      if (worst == 0 || conflict[static_cast<size_t>(r)] > conflict[static_cast<size_t>(worst)])
        worst = r;
    }
    std::vector<int32_t> out;   // the removed persons
    std::vector<int32_t> open;  // the groups they came from, to be refilled
    for (int32_t h = 1; h <= g_; ++h) {
      if (removed[static_cast<size_t>(h)] == 0) continue;
      out.push_back(removed[static_cast<size_t>(h)]);
      open.push_back(h);
    }
    if (out.size() < 2) continue;
    // weights[i][h]: removed person i with the members of group h that stay or came in.
    std::vector<std::vector<int64_t>> weights;
    for (const int32_t r : out) {
      GroupWeights(r, grp, row);
      for (const int32_t x : out)
        row[static_cast<size_t>(grp[static_cast<size_t>(x)])] -= p_.ConflictMatrix(r, x);
      weights.push_back(row);
    }
    for (const int32_t h : open) --size[static_cast<size_t>(h)];
    // In a random order, each group takes back the removed person of least weight per member.
    std::shuffle(open.begin(), open.end(), rng_);
    std::vector<int32_t> target(out.size(), 0);
    for (const int32_t h : open) {
      size_t pick = out.size();
      double least = std::numeric_limits<double>::max();
      for (size_t i = 0; i < out.size(); ++i) {
        if (target[i] != 0) continue;
        const double value = static_cast<double>(weights[i][static_cast<size_t>(h)]) /
                             std::max(1, size[static_cast<size_t>(h)]);
        if (value < least) {
          least = value;
          pick = i;
        }
      }
      target[pick] = h;
      ++size[static_cast<size_t>(h)];
      for (size_t i = 0; i < out.size(); ++i) {
        if (target[i] == 0)
          weights[i][static_cast<size_t>(h)] += p_.ConflictMatrix(out[i], out[pick]);
      }
    }
    // Made as exchanges among the removed persons: each group holds one of them at every step.
    for (size_t i = 0; i < out.size(); ++i) {
      const int32_t want = target[i];
      if (grp[static_cast<size_t>(out[i])] == want) continue;
      for (size_t k = 0; k < out.size(); ++k) {
        if (grp[static_cast<size_t>(out[k])] == want) {
          chain_.Exchange(out[i], out[k]);
          break;
        }
      }
    }
  }
}

}  // namespace

PeerRun RunThreePhasePeer(const Problem& problem, Clock& clock, uint64_t seed, int64_t limit_ms,
                          int threads) {
  PeerRun run;
  std::mutex mutex;
  int64_t best = std::numeric_limits<int64_t>::max();
  const auto work = [&](uint64_t thread_seed) {
    ThreePhase search(problem, clock, thread_seed, limit_ms);
    search.Run([&](const DeepChain& chain) {
      const std::lock_guard<std::mutex> lock(mutex);
      if (chain.score() >= best) return;
      best = chain.score();
      run.points.push_back({clock.ElapsedMs(), best});
      run.best_grouping = chain.assignment();
    });
    const std::lock_guard<std::mutex> lock(mutex);
    run.repetitions += search.generations();
  };
  std::vector<std::thread> others;
  for (int t = 1; t < threads; ++t) others.emplace_back(work, seed + static_cast<uint64_t>(t));
  work(seed);
  for (std::thread& other : others) other.join();
  return run;
}

}  // namespace quorvale::bench
