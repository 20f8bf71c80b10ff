// The buddy and average terms.
#include "engine/wish_terms.h"

#include <algorithm>
#include <cmath>

namespace quorvale {

namespace {

int64_t Rounded(double hundredths) { return std::llround(hundredths); }

}  // namespace

WishTerms::WishTerms(const Model& model)
    : buddies_(model.Buddies), averages_(model.Averages), groups_(model.GroupCount()) {
  for (const BuddyWish& wish : buddies_) {
    holders_.emplace_back((static_cast<size_t>(groups_) + 1) *
                          (static_cast<size_t>(wish.values) + 1));
  }
  for (const AverageWish& wish : averages_) {
    sums_.emplace_back(static_cast<size_t>(groups_) + 1);
    // The whole list's mean, spread and the spread of the squared deviations.
    double n = 0, s1 = 0;
    for (size_t i = 1; i < wish.value.size(); ++i) {
      if (!wish.present[i]) continue;
      n += 1;
      s1 += static_cast<double>(wish.value[i]);
    }
    AverageScale scale;
    if (n > 0) {
      scale.mean = s1 / n;
      double m2 = 0, m4 = 0;
      for (size_t i = 1; i < wish.value.size(); ++i) {
        if (!wish.present[i]) continue;
        const double d = static_cast<double>(wish.value[i]) - scale.mean;
        m2 += d * d;
        m4 += d * d * d * d;
      }
      m2 /= n;
      m4 /= n;
      scale.sd = std::sqrt(m2);
      scale.tau = std::sqrt(std::max(0.0, m4 - m2 * m2));
    }
    scales_.push_back(scale);
  }
}

int64_t WishTerms::Load(const std::vector<int32_t>& assignment) {
  if (empty()) return 0;
  for (size_t w = 0; w < holders_.size(); ++w) {
    std::fill(holders_[w].begin(), holders_[w].end(), 0);
    const BuddyWish& wish = buddies_[w];
    const auto stride = static_cast<size_t>(wish.values) + 1;
    for (size_t i = 1; i < assignment.size(); ++i) {
      if (wish.value[i] > 0) {
        ++holders_[w][static_cast<size_t>(assignment[i]) * stride +
                      static_cast<size_t>(wish.value[i])];
      }
    }
  }
  for (size_t w = 0; w < sums_.size(); ++w) {
    std::fill(sums_[w].begin(), sums_[w].end(), AverageSums{});
    const AverageWish& wish = averages_[w];
    for (size_t i = 1; i < assignment.size(); ++i) {
      if (!wish.present[i]) continue;
      AverageSums& sums = sums_[w][static_cast<size_t>(assignment[i])];
      ++sums.n;
      sums.s1 += wish.value[i];
      sums.s2 += static_cast<WideSum>(wish.value[i]) * wish.value[i];
    }
  }
  score_ = 0;
  for (int32_t g = 1; g <= groups_; ++g) {
    for (size_t w = 0; w < holders_.size(); ++w) score_ += BuddyCost(w, g);
    for (size_t w = 0; w < sums_.size(); ++w) {
      score_ += AverageCost(w, sums_[w][static_cast<size_t>(g)]);
    }
  }
  return score_;
}

int64_t WishTerms::BuddyCost(size_t w, int32_t group) const {
  const BuddyWish& wish = buddies_[w];
  const auto stride = static_cast<size_t>(wish.values) + 1;
  int64_t alone = 0;
  for (int32_t v = 1; v <= wish.values; ++v) {
    alone += holders_[w][static_cast<size_t>(group) * stride + static_cast<size_t>(v)] == 1;
  }
  return alone * AloneCost(wish);
}

int64_t WishTerms::AverageCost(size_t w, const AverageSums& sums) const {
  const AverageScale& scale = scales_[w];
  if (sums.n == 0 || scale.sd <= 0) return 0;
  const double n = static_cast<double>(sums.n);
  const double s1 = static_cast<double>(sums.s1);
  const double d1 = (s1 - n * scale.mean) / scale.sd;
  double d2 = 0;
  if (scale.tau > 0) {
    // The sum of squared deviations from the whole list's mean.
    const double q =
        static_cast<double>(sums.s2) - 2 * scale.mean * s1 + n * scale.mean * scale.mean;
    d2 = (q - n * scale.sd * scale.sd) / scale.tau;
  }
  return Rounded(averages_[w].weight * (d1 * d1 + d2 * d2 / 4));
}

int64_t WishTerms::BuddyMoveDelta(size_t w, int32_t value, int32_t from, int32_t to) const {
  // Alone means exactly one holder: the group left goes from c to c - 1, the one joined from c
  // to c + 1.
  const auto stride = static_cast<size_t>(buddies_[w].values) + 1;
  const int32_t left = holders_[w][static_cast<size_t>(from) * stride + static_cast<size_t>(value)];
  const int32_t joined = holders_[w][static_cast<size_t>(to) * stride + static_cast<size_t>(value)];
  const int64_t before = (left == 1) + (joined == 1);
  const int64_t after = (left - 1 == 1) + (joined + 1 == 1);
  return (after - before) * AloneCost(buddies_[w]);
}

int64_t WishTerms::ExchangeDelta(int32_t k, int32_t j, int32_t gk, int32_t gj) const {
  if (empty()) return 0;
  int64_t delta = 0;
  const auto pk = static_cast<size_t>(k);
  const auto pj = static_cast<size_t>(j);
  for (size_t w = 0; w < holders_.size(); ++w) {
    const int32_t vk = buddies_[w].value[pk];
    const int32_t vj = buddies_[w].value[pj];
    if (vk == vj) continue;
    if (vk > 0) delta += BuddyMoveDelta(w, vk, gk, gj);
    if (vj > 0) delta += BuddyMoveDelta(w, vj, gj, gk);
  }
  for (size_t w = 0; w < sums_.size(); ++w) {
    const AverageWish& wish = averages_[w];
    if (!wish.present[pk] && !wish.present[pj]) continue;
    AverageSums a = sums_[w][static_cast<size_t>(gk)];
    AverageSums b = sums_[w][static_cast<size_t>(gj)];
    const int64_t before = AverageCost(w, a) + AverageCost(w, b);
    const auto move = [&](size_t person, AverageSums& from, AverageSums& to) {
      if (!wish.present[person]) return;
      const int64_t x = wish.value[person];
      --from.n, from.s1 -= x, from.s2 -= static_cast<WideSum>(x) * x;
      ++to.n, to.s1 += x, to.s2 += static_cast<WideSum>(x) * x;
    };
    move(pk, a, b);
    move(pj, b, a);
    delta += AverageCost(w, a) + AverageCost(w, b) - before;
  }
  return delta;
}

void WishTerms::Exchange(int32_t k, int32_t j, int32_t gk, int32_t gj) {
  if (empty()) return;
  score_ += ExchangeDelta(k, j, gk, gj);
  const auto pk = static_cast<size_t>(k);
  const auto pj = static_cast<size_t>(j);
  for (size_t w = 0; w < holders_.size(); ++w) {
    const auto stride = static_cast<size_t>(buddies_[w].values) + 1;
    const auto move = [&](size_t person, int32_t from, int32_t to) {
      const int32_t v = buddies_[w].value[person];
      if (v == 0) return;
      --holders_[w][static_cast<size_t>(from) * stride + static_cast<size_t>(v)];
      ++holders_[w][static_cast<size_t>(to) * stride + static_cast<size_t>(v)];
    };
    move(pk, gk, gj);
    move(pj, gj, gk);
  }
  for (size_t w = 0; w < sums_.size(); ++w) {
    const AverageWish& wish = averages_[w];
    const auto move = [&](size_t person, int32_t from, int32_t to) {
      if (!wish.present[person]) return;
      const int64_t x = wish.value[person];
      AverageSums& a = sums_[w][static_cast<size_t>(from)];
      AverageSums& b = sums_[w][static_cast<size_t>(to)];
      --a.n, a.s1 -= x, a.s2 -= static_cast<WideSum>(x) * x;
      ++b.n, b.s1 += x, b.s2 += static_cast<WideSum>(x) * x;
    };
    move(pk, gk, gj);
    move(pj, gj, gk);
  }
}

bool WishTerms::Alone(int32_t person, int32_t group) const {
  for (size_t w = 0; w < buddies_.size(); ++w) {
    const int32_t v = buddies_[w].value[static_cast<size_t>(person)];
    if (v > 0 && BuddyHolders(w, group, v) == 1) return true;
  }
  return false;
}

int64_t WishTerms::Bound(const Model& model) {
  int64_t bound = 0;
  for (const BuddyWish& wish : model.Buddies) {
    std::vector<int32_t> holders(static_cast<size_t>(wish.values) + 1, 0);
    for (size_t i = 1; i < wish.value.size(); ++i) ++holders[static_cast<size_t>(wish.value[i])];
    for (int32_t v = 1; v <= wish.values; ++v) {
      bound += holders[static_cast<size_t>(v)] == 1 ? AloneCost(wish) : 0;
    }
  }
  return bound;
}

int32_t WishTerms::BuddyHolders(size_t w, int32_t group, int32_t value) const {
  const auto stride = static_cast<size_t>(buddies_[w].values) + 1;
  return holders_[w][static_cast<size_t>(group) * stride + static_cast<size_t>(value)];
}

WishTerms::GroupFigures WishTerms::AverageFigures(size_t w, int32_t group) const {
  const AverageSums& sums = sums_[w][static_cast<size_t>(group)];
  GroupFigures figures;
  figures.persons = sums.n;
  if (sums.n == 0) return figures;
  const double unit = std::pow(10.0, averages_[w].decimals);
  const double n = static_cast<double>(sums.n);
  const double mean = static_cast<double>(sums.s1) / n;
  const double variance = static_cast<double>(sums.s2) / n - mean * mean;
  figures.mean = mean / unit;
  figures.deviation = std::sqrt(std::max(0.0, variance)) / unit;
  return figures;
}

}  // namespace quorvale
