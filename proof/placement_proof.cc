// The placement proof: a depth-first search over the packed categories' persons, profile by
// profile, with a bound after each profile is placed.
#include "proof/placement_proof.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <vector>

#include "proof/proven_bound.h"

namespace quorvale {

namespace {

int64_t Pairs(int64_t h) { return h * (h - 1) / 2; }

class PlacementSearch {
 public:
  PlacementSearch(const CountModel& m, int64_t best_units, double seconds,
                  const std::atomic<bool>& stop, const PlacementCheck& check)
      : m_(m),
        check_(check),
        groups_(m.groups()),
        best_units_(best_units),
        stop_(stop),
        deadline_(std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(seconds))) {
    residual_ = m.places;
    fixed_.assign(m.categories.size(), std::vector<int32_t>(static_cast<size_t>(groups_) + 1, 0));
    free_.resize(m.categories.size());
    for (size_t c = 0; c < m.categories.size(); ++c) free_[c] = m.categories[c].members_of_type;
    // The persons to place: every member of a packed category, the profiles in most packed
    // categories first, so that the packed pairs are settled early, and among those the ones
    // whose spread categories weigh most, whose clashes lift the bound soonest.
    std::vector<int> packed_in(m.profiles.size(), 0);
    for (const CountCategory& category : m.categories) {
      if (category.unit_weight >= 0) continue;
      for (const int32_t q : category.profiles) ++packed_in[static_cast<size_t>(q)];
    }
    for (size_t q = 0; q < m.profiles.size(); ++q) {
      if (packed_in[q] > 0) order_.push_back(static_cast<int32_t>(q));
    }
    std::vector<int64_t> spread_weight(m.profiles.size(), 0);
    for (size_t q = 0; q < m.profiles.size(); ++q) {
      for (const int32_t c : m.profiles[q].categories) {
        const CountCategory& category = m.categories[static_cast<size_t>(c)];
        if (category.unit_weight > 0) spread_weight[q] += category.unit_weight * category.members;
      }
    }
    std::stable_sort(order_.begin(), order_.end(), [&](int32_t a, int32_t b) {
      const auto qa = static_cast<size_t>(a), qb = static_cast<size_t>(b);
      if (packed_in[qa] != packed_in[qb]) return packed_in[qa] > packed_in[qb];
      return spread_weight[qa] > spread_weight[qb];
    });
    for (const int32_t q : order_) persons_to_place_ += m.profiles[static_cast<size_t>(q)].persons;
    if (persons_to_place_ > kMaxPlacedPersons) return;  // Run will not start
    // Each group's class of interchangeable groups: the first group of its chain.
    class_of_.assign(static_cast<size_t>(groups_) + 1, 0);
    for (int g = 1; g <= groups_; ++g) {
      const int32_t before = m.twin_before[static_cast<size_t>(g)];
      class_of_[static_cast<size_t>(g)] = before > 0 ? class_of_[static_cast<size_t>(before)] : g;
    }
    holds_placed_.assign(static_cast<size_t>(groups_) + 1, false);
    units_.assign(order_.size() + 1, std::vector<int64_t>(m.categories.size(), 0));
    touched_.assign(m.categories.size(), false);
    counts_.assign(m.profiles.size() * static_cast<size_t>(groups_), -1);
    for (const int32_t q : order_) {
      std::fill_n(counts_.begin() + static_cast<ptrdiff_t>(q) * groups_, groups_, 0);
    }
  }

  PlacementVerdict Run() {
    if (order_.empty() || persons_to_place_ > kMaxPlacedPersons) {
      return PlacementVerdict::kDoesNotFit;
    }
    Place(0);
    if (cut_short_) return PlacementVerdict::kCutShort;
    return open_ ? PlacementVerdict::kOpen : PlacementVerdict::kProven;
  }

 private:
  // A category's share of the bound, in units: its least (spread) or most (packed) pairs around
  // the placements made so far.
  int64_t CategoryUnits(size_t c) const {
    const CountCategory& category = m_.categories[c];
    const int64_t pairs = category.unit_weight > 0
                              ? LeastPairsAround(free_[c], residual_, fixed_[c])
                              : MostPairsAround(c);
    return category.unit_weight * pairs;
  }

  // Whether the bound on every grouping that keeps the placements of profiles order_[0..k) falls
  // below the best known score; keeps each category's share in units_[k]. Placing more persons
  // only narrows a category's choices, so its share at the parent placement is still a bound:
  // the categories the last profile belongs to are worked out first, and the others only when
  // that stale sum does not settle it.
  bool BoundBelowBest(size_t k) {
    std::vector<int64_t>& units = units_[k];
    std::fill(touched_.begin(), touched_.end(), k == 0);
    if (k > 0) {
      for (const int32_t c : m_.profiles[static_cast<size_t>(order_[k - 1])].categories)
        touched_[static_cast<size_t>(c)] = true;
    }
    int64_t total = 0;
    for (size_t c = 0; c < units.size(); ++c) {
      units[c] = touched_[c] ? CategoryUnits(c) : units_[k - 1][c];
      total += units[c];
    }
    if (total >= best_units_ || k == 0) return total < best_units_;
    total = 0;
    for (size_t c = 0; c < units.size(); ++c) {
      if (!touched_[c]) units[c] = CategoryUnits(c);
      total += units[c];
    }
    return total < best_units_;
  }

  // The most pairs category c can reach: its free members, their types set aside, over each
  // group's room for them, added to the members fixed there; a programme over the groups.
  int64_t MostPairsAround(size_t c) const {
    const auto& holders = free_[c];
    const int32_t left = holders[0] + holders[1];
    std::vector<int64_t> best(static_cast<size_t>(left) + 1, -1), next;
    best[0] = 0;
    for (int g = 1; g <= groups_; ++g) {
      const auto& room = residual_.places[static_cast<size_t>(g)];
      const int32_t most = std::min(room[0], holders[0]) + std::min(room[1], holders[1]);
      const int32_t here = fixed_[c][static_cast<size_t>(g)];
      next.assign(best.size(), -1);
      for (int32_t a = 0; a <= left; ++a) {
        if (best[static_cast<size_t>(a)] < 0) continue;
        for (int32_t x = 0; x <= std::min(most, left - a); ++x) {
          int64_t& cell = next[static_cast<size_t>(a) + static_cast<size_t>(x)];
          cell = std::max(cell, best[static_cast<size_t>(a)] + Pairs(here + x));
        }
      }
      best.swap(next);
    }
    return std::max<int64_t>(best.back(), 0);
  }

  bool OutOfTime() {
    if (cut_short_) return true;
    if (++placements_ > kMaxPlacements || stop_.load(std::memory_order_relaxed)) cut_short_ = true;
    if ((placements_ & 63) == 1 && std::chrono::steady_clock::now() > deadline_) cut_short_ = true;
    return cut_short_;
  }

  // Places the profiles order_[k..].
  void Place(size_t k) {
    if (open_ || OutOfTime()) return;
    if (!BoundBelowBest(k)) return;  // nothing below here beats the best known
    if (k == order_.size()) {
      // Every packed person placed, and still a chance of a better grouping.
      if (check_ && checks_ < kMaxPlacementChecks) {
        ++checks_;
        if (check_(counts_)) return;
      }
      if (stop_.load(std::memory_order_relaxed) || std::chrono::steady_clock::now() > deadline_) {
        cut_short_ = true;
      } else {
        open_ = true;
      }
      return;
    }
    const auto q = static_cast<size_t>(order_[k]);
    // Groups of one class that hold no placed person yet are interchangeable: their shares of
    // this profile are taken non-increasing in group order.
    std::vector<bool> empty(static_cast<size_t>(groups_) + 1);
    for (int g = 1; g <= groups_; ++g)
      empty[static_cast<size_t>(g)] = !holds_placed_[static_cast<size_t>(g)];
    std::vector<int32_t> share(static_cast<size_t>(groups_) + 1, 0);
    Distribute(k, q, 1, m_.profiles[q].persons, empty, share);
  }

  // Gives the `left` persons of profile q to groups g.. and then places the next profile.
  void Distribute(size_t k, size_t q, int g, int32_t left, const std::vector<bool>& empty,
                  std::vector<int32_t>& share) {
    if (open_ || cut_short_) return;
    if (left == 0) {
      Place(k + 1);
      return;
    }
    if (g > groups_) return;
    const auto type = static_cast<size_t>(m_.profiles[q].type_index);
    const auto gi = static_cast<size_t>(g);
    int32_t most = std::min(left, residual_.places[gi][type]);
    if (empty[gi]) {  // no more than the previous empty group of its class took
      for (int before = g - 1; before >= 1; --before) {
        const auto bi = static_cast<size_t>(before);
        if (empty[bi] && class_of_[bi] == class_of_[gi]) {
          most = std::min(most, share[bi]);
          break;
        }
      }
    }
    for (int32_t x = most; x >= 0; --x) {
      Put(q, g, x);
      share[gi] = x;
      Distribute(k, q, g + 1, left - x, empty, share);
      share[gi] = 0;
      Put(q, g, -x);
      if (open_ || cut_short_) return;
    }
  }

  // Moves x persons of profile q into group g (x < 0 takes them back out).
  void Put(size_t q, int g, int32_t x) {
    if (x == 0) return;
    const CountProfile& profile = m_.profiles[q];
    const auto gi = static_cast<size_t>(g);
    const auto type = static_cast<size_t>(profile.type_index);
    residual_.places[gi][type] -= x;
    counts_[q * static_cast<size_t>(groups_) + gi - 1] += x;
    placed_in_[gi] += x;
    holds_placed_[gi] = placed_in_[gi] > 0;
    for (const int32_t c : profile.categories) {
      fixed_[static_cast<size_t>(c)][gi] += x;
      free_[static_cast<size_t>(c)][type] -= x;
    }
  }

  const CountModel& m_;
  const PlacementCheck& check_;
  const int groups_;
  const int64_t best_units_;
  const std::atomic<bool>& stop_;
  const std::chrono::steady_clock::time_point deadline_;
  DealtPlaces residual_;                      // places not taken by placed persons
  std::vector<std::vector<int32_t>> fixed_;   // per category and group: placed members
  std::vector<std::array<int32_t, 2>> free_;  // per category and type: members not placed
  std::vector<int32_t> order_;
  int persons_to_place_ = 0;
  std::vector<int32_t> class_of_;
  std::vector<bool> holds_placed_;
  std::vector<int32_t> placed_in_ = std::vector<int32_t>(static_cast<size_t>(groups_) + 1, 0);
  std::vector<std::vector<int64_t>> units_;  // per depth and category: its share of the bound
  std::vector<bool> touched_;                // the categories of the profile last placed
  std::vector<int32_t> counts_;  // per profile and group: placed persons, -1 when not placed
  int checks_ = 0;
  int64_t placements_ = 0;
  bool open_ = false;
  bool cut_short_ = false;
};

}  // namespace

PlacementVerdict ProveByPlacement(const CountModel& model, int64_t best_score, double seconds,
                                  const std::atomic<bool>& stop, const PlacementCheck& check) {
  // Scores are whole units above the constant, so "below the best" is "at most one unit less".
  const int64_t best_units = (best_score - model.constant) / model.scale;
  PlacementSearch search(model, best_units, seconds, stop, check);
  return search.Run();
}

}  // namespace quorvale
