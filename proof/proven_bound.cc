// ProvenBound, category by category.
//
// A category's members of type t can go to any of the dealt places of type t. Its pairs in a
// group of h members are h(h - 1) / 2: convex in h, so spreading is a min-cost flow with convex
// costs, and packing a maximisation of a convex function, which a dynamic programme over the
// groups solves exactly.
#include "proof/proven_bound.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "engine/repeat_meetings.h"

namespace quorvale {

namespace {

int64_t Pairs(int64_t h) { return h * (h - 1) / 2; }

// Work (state x choice count) beyond which the packing programme gives way to the bound: per
// category, and for all categories of a run together.
constexpr int64_t kPackingWorkLimit = 4'000'000;
constexpr int64_t kPackingRunBudget = 100'000'000;

// Packing bound for large categories. Group g can take at most
// u_g = min(places of type 1, holders of type 1) + min(places of type 2, holders of type 2)
// members. Among vectors h with 0 <= h_g <= u_g and sum h = holders, filling the largest u_g
// first gives a vector that majorises every other (its k largest entries sum to
// min(sum of the k largest u_g, holders), which no other vector exceeds), and a sum of a convex
// function of the entries grows with majorisation. So no grouping has more pairs.
int64_t PackingBound(std::array<int32_t, 2> holders, const DealtPlaces& dealt) {
  std::vector<int64_t> room;
  for (int g = 1; g <= dealt.groups(); ++g) {
    const auto& pl = dealt.places[static_cast<size_t>(g)];
    room.push_back(std::min(pl[0], holders[0]) + std::min(pl[1], holders[1]));
  }
  std::sort(room.begin(), room.end(), std::greater<>());
  int64_t left = int64_t{holders[0]} + holders[1];
  int64_t pairs = 0;
  for (const int64_t u : room) {
    const int64_t h = std::min(u, left);
    pairs += Pairs(h);
    left -= h;
  }
  return pairs;
}

}  // namespace

DealtPlaces PlacesOfDeal(const Problem& p) {
  DealtPlaces dealt;
  dealt.places.assign(static_cast<size_t>(p.GroupCount()) + 1, {0, 0});
  for (int i = 1; i <= p.PersonCount(); ++i) {
    const int32_t g = p.Assignment[static_cast<size_t>(i)];
    if (g <= 0) continue;
    ++dealt.places[static_cast<size_t>(g)][p.Type(i) == 2 ? 1 : 0];
  }
  return dealt;
}

// Successive shortest paths. The network: a source feeding type t with holders[t] units, type t
// to group g with capacity places[g][t] at cost 0, and group g to the sink at cost h_g for its
// next member (the pairs it adds). A path from the source to the sink either goes straight
// through a group with room of its type, or, when a group with room of type t holds a member of
// the other type, moves that member on to a group with room of the other type; the costs on the
// way are 0, so a path costs the h_g of the group where it ends. Taking the cheapest path every
// time keeps the flow of least cost, because the group costs are convex (non-decreasing).
int64_t LeastSameGroupPairs(std::array<int32_t, 2> holders, const DealtPlaces& dealt) {
  return LeastPairsAround(holders, dealt, {});
}

// The same flow, with each group's cost starting from the members already in it: the costs stay
// convex, so the cheapest path each time still gives the least cost.
int64_t LeastPairsAround(std::array<int32_t, 2> holders, const DealtPlaces& dealt,
                         const std::vector<int32_t>& already) {
  const int groups = dealt.groups();
  std::vector<std::array<int32_t, 2>> held(static_cast<size_t>(groups) + 1, {0, 0});
  std::vector<int64_t> size(static_cast<size_t>(groups) + 1, 0);
  int64_t pairs = 0;
  if (!already.empty()) {
    for (int g = 1; g <= groups; ++g) {
      size[static_cast<size_t>(g)] = already[static_cast<size_t>(g)];
      pairs += Pairs(already[static_cast<size_t>(g)]);
    }
  }
  const auto room = [&](int g, int t) {
    return held[static_cast<size_t>(g)][static_cast<size_t>(t)] <
           dealt.places[static_cast<size_t>(g)][static_cast<size_t>(t)];
  };
  while (holders[0] + holders[1] > 0) {
    int best_type = -1, best_group = -1;
    int64_t best_cost = std::numeric_limits<int64_t>::max();
    for (int t = 0; t < 2; ++t) {
      if (holders[static_cast<size_t>(t)] == 0) continue;
      bool via_other = false;
      for (int g = 1; g <= groups; ++g) {
        if (room(g, t) && held[static_cast<size_t>(g)][static_cast<size_t>(1 - t)] > 0) {
          via_other = true;
        }
      }
      for (int g = 1; g <= groups; ++g) {
        if ((room(g, t) || (via_other && room(g, 1 - t))) &&
            size[static_cast<size_t>(g)] < best_cost) {
          best_cost = size[static_cast<size_t>(g)];
          best_type = t;
          best_group = g;
        }
      }
    }
    if (best_type < 0) break;  // more holders than places: cannot happen for real persons
    const auto t = static_cast<size_t>(best_type);
    const auto g = static_cast<size_t>(best_group);
    if (room(best_group, best_type)) {
      ++held[g][t];
    } else {
      // The exchange: a member of the other type makes room for this one, then moves to g.
      for (int via = 1; via <= groups; ++via) {
        auto& v = held[static_cast<size_t>(via)];
        if (room(via, best_type) && v[1 - t] > 0) {
          ++v[t];
          --v[1 - t];
          break;
        }
      }
      ++held[g][1 - t];
    }
    pairs += size[g]++;
    --holders[t];
  }
  return pairs;
}

// Exact by a programme over the groups: best[a][b] is the most pairs with a members of type 1
// and b of type 2 placed in the groups seen so far.
int64_t MostSameGroupPairs(std::array<int32_t, 2> holders, const DealtPlaces& dealt,
                           int64_t* work_budget) {
  const int64_t k1 = holders[0], k2 = holders[1];
  const int64_t limit =
      work_budget != nullptr ? std::min(kPackingWorkLimit, *work_budget) : kPackingWorkLimit;
  int64_t work = 0;
  for (int g = 1; g <= dealt.groups(); ++g) {
    const auto& pl = dealt.places[static_cast<size_t>(g)];
    work += (k1 + 1) * (k2 + 1) * (std::min<int64_t>(pl[0], k1) + 1) *
            (std::min<int64_t>(pl[1], k2) + 1);
    if (work > limit) return PackingBound(holders, dealt);
  }
  if (work_budget != nullptr) *work_budget -= work;
  constexpr int64_t kNone = -1;
  const auto width = static_cast<size_t>(k2 + 1);
  std::vector<int64_t> best(static_cast<size_t>((k1 + 1) * (k2 + 1)), kNone), next;
  best[0] = 0;
  for (int g = 1; g <= dealt.groups(); ++g) {
    const auto& pl = dealt.places[static_cast<size_t>(g)];
    next.assign(best.size(), kNone);
    for (int64_t a = 0; a <= k1; ++a) {
      for (int64_t b = 0; b <= k2; ++b) {
        const int64_t here = best[static_cast<size_t>(a) * width + static_cast<size_t>(b)];
        if (here == kNone) continue;
        for (int64_t x = 0; x <= std::min<int64_t>(pl[0], k1 - a); ++x) {
          for (int64_t y = 0; y <= std::min<int64_t>(pl[1], k2 - b); ++y) {
            int64_t& cell = next[static_cast<size_t>(a + x) * width + static_cast<size_t>(b + y)];
            cell = std::max(cell, here + Pairs(x + y));
          }
        }
      }
    }
    best.swap(next);
  }
  return std::max<int64_t>(best.back(), 0);
}

int64_t ProvenBound(const Problem& p, const std::vector<Category>& categories) {
  const DealtPlaces dealt = PlacesOfDeal(p);
  int64_t budget = kPackingRunBudget;
  int64_t bound = 0;
  bool all_dealt = true;
  for (int i = 1; i <= p.PersonCount(); ++i)
    all_dealt = all_dealt && p.Assignment[static_cast<size_t>(i)] > 0;
  for (const Category& category : categories) {
    std::array<int32_t, 2> holders{0, 0};
    int64_t undealt = 0;
    for (const int32_t person : category.members) {
      if (p.Assignment[static_cast<size_t>(person)] <= 0) {
        ++undealt;
      } else {
        ++holders[p.Type(person) == 2 ? 1 : 0];
      }
    }
    const int64_t pairs = category.weight > 0 ? LeastSameGroupPairs(holders, dealt)
                                              : MostSameGroupPairs(holders, dealt, &budget);
    bound += category.weight * (pairs + Pairs(undealt));
  }
  bound += WishTerms::Bound(p);
  // The Target Score counts every person as dealt; with persons left in group 0 it is no bound.
  // With rounds it is the schedule's, of which one grouping bears its share.
  return all_dealt ? std::max(bound, RoundTargetScore(p, p.TargetScore)) : bound;
}

}  // namespace quorvale
