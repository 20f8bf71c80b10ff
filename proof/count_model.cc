// Building the count model from the categories and the dealt places.
#include "proof/count_model.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "engine/wish_terms.h"

namespace quorvale {

namespace {

int64_t Pairs(int64_t h) { return h * (h - 1) / 2; }

}  // namespace

int32_t CountModel::MostMembers(size_t c, int g) const {
  const auto& pl = places.places[static_cast<size_t>(g)];
  const auto& of_type = categories[c].members_of_type;
  return std::min(pl[0], of_type[0]) + std::min(pl[1], of_type[1]);
}

CountModel BuildCountModel(const Problem& p, const std::vector<Category>& categories) {
  CountModel model;
  model.places = PlacesOfDeal(p);
  const int n = p.PersonCount();
  const int groups = model.groups();

  // Each person's categories, and the fixed pairs of persons nobody moves.
  std::vector<std::vector<int32_t>> person_categories(static_cast<size_t>(n) + 1);
  int64_t scale = 0;
  for (size_t c = 0; c < categories.size(); ++c) {
    int64_t undealt = 0;
    for (const int32_t person : categories[c].members) {
      if (p.Assignment[static_cast<size_t>(person)] <= 0) {
        ++undealt;
      } else {
        person_categories[static_cast<size_t>(person)].push_back(static_cast<int32_t>(c));
      }
    }
    model.constant += categories[c].weight * Pairs(undealt);
    scale = std::gcd(scale, categories[c].weight);
  }
  // Each buddy value with its dealt holders; one alone in any grouping is a fixed cost.
  struct Value {
    int64_t cost;
    std::vector<int32_t> holders;
  };
  std::vector<Value> values;
  std::vector<std::vector<int32_t>> person_values(static_cast<size_t>(n) + 1);
  for (const BuddyWish& wish : p.Buddies) {
    const size_t first = values.size();
    values.resize(first + static_cast<size_t>(wish.values), {WishTerms::AloneCost(wish), {}});
    for (int i = 1; i <= n; ++i) {
      const int32_t v = wish.value[static_cast<size_t>(i)];
      if (v > 0 && p.Assignment[static_cast<size_t>(i)] > 0) {
        values[first + static_cast<size_t>(v - 1)].holders.push_back(i);
      }
    }
  }
  for (const Value& value : values) {
    if (value.holders.size() == 1) model.constant += value.cost;
    if (value.holders.size() < 2) continue;
    for (const int32_t i : value.holders) {
      person_values[static_cast<size_t>(i)].push_back(static_cast<int32_t>(model.buddies.size()));
    }
    model.buddies.push_back({value.cost, {}, static_cast<int32_t>(value.holders.size())});
    scale = std::gcd(scale, value.cost);
  }
  model.scale = scale == 0 ? 1 : scale;
  for (CountBuddy& buddy : model.buddies) buddy.unit_weight /= model.scale;

  // Profiles: the same type, the same categories and the same buddy values.
  std::map<std::pair<int32_t, std::vector<int32_t>>, int32_t> index;
  model.profile_of.assign(static_cast<size_t>(n) + 1, -1);
  for (int i = 1; i <= n; ++i) {
    if (p.Assignment[static_cast<size_t>(i)] <= 0) continue;
    const int32_t type_index = p.Type(i) == 2 ? 1 : 0;
    std::vector<int32_t> traits = person_categories[static_cast<size_t>(i)];
    for (const int32_t b : person_values[static_cast<size_t>(i)]) {
      traits.push_back(-1 - b);  // negative: a buddy value, never a category's index
    }
    auto key = std::make_pair(type_index, traits);
    auto [it, added] = index.emplace(key, static_cast<int32_t>(model.profiles.size()));
    if (added) {
      model.profiles.push_back({type_index, 0, person_categories[static_cast<size_t>(i)]});
      for (const int32_t b : person_values[static_cast<size_t>(i)]) {
        model.buddies[static_cast<size_t>(b)].profiles.push_back(it->second);
      }
    }
    ++model.profiles[static_cast<size_t>(it->second)].persons;
    model.profile_of[static_cast<size_t>(i)] = it->second;
  }

  model.categories.resize(categories.size());
  for (size_t c = 0; c < categories.size(); ++c) {
    model.categories[c].unit_weight = categories[c].weight / model.scale;
  }
  for (size_t q = 0; q < model.profiles.size(); ++q) {
    const CountProfile& profile = model.profiles[q];
    for (const int32_t c : profile.categories) {
      CountCategory& category = model.categories[static_cast<size_t>(c)];
      category.profiles.push_back(static_cast<int32_t>(q));
      category.members += profile.persons;
      category.members_of_type[static_cast<size_t>(profile.type_index)] += profile.persons;
    }
  }

  // Each group's nearest earlier group with the same places of each type: the groups of one
  // class form a chain, ordered by their keys.
  model.twin_before.assign(static_cast<size_t>(groups) + 1, 0);
  for (int g = 2; g <= groups; ++g) {
    for (int before = g - 1; before >= 1; --before) {
      if (model.places.places[static_cast<size_t>(g)] ==
          model.places.places[static_cast<size_t>(before)]) {
        model.twin_before[static_cast<size_t>(g)] = before;
        break;
      }
    }
  }

  // The size limits: counts, then every variable the solver will create.
  if (model.counts() == 0 || model.counts() > kMaxModelCounts) return model;
  int64_t variables = model.counts() + 2 * static_cast<int64_t>(model.buddies.size()) * groups;
  for (size_t c = 0; c < model.categories.size(); ++c) {
    for (int g = 1; g <= groups; ++g) {
      const int64_t most = model.MostMembers(c, g);
      if (most >= 2) variables += model.categories[c].unit_weight > 0 ? 1 : most + 1;
    }
  }
  model.built = variables <= kMaxModelVariables;
  if (!model.built) return model;
  for (CountCategory& category : model.categories) {
    category.pair_limit = category.unit_weight > 0
                              ? LeastSameGroupPairs(category.members_of_type, model.places)
                              : MostSameGroupPairs(category.members_of_type, model.places);
  }
  return model;
}

int64_t SymmetryKey(const CountModel& model, const std::vector<int32_t>& counts, int g) {
  const auto groups = static_cast<size_t>(model.groups());
  int64_t key = 0;
  for (size_t q = 0; q < model.profiles.size(); ++q) {
    key += static_cast<int64_t>(q + 1) * counts[q * groups + static_cast<size_t>(g - 1)];
  }
  return key;
}

std::vector<int32_t> CountsOfGrouping(const CountModel& model,
                                      const std::vector<int32_t>& assignment) {
  const auto groups = static_cast<size_t>(model.groups());
  std::vector<int32_t> counts(model.profiles.size() * groups, 0);
  for (size_t i = 1; i < model.profile_of.size(); ++i) {
    const int32_t q = model.profile_of[i];
    if (q < 0) continue;
    ++counts[static_cast<size_t>(q) * groups + static_cast<size_t>(assignment[i] - 1)];
  }
  // Within each class of interchangeable groups, give the largest key to the first group.
  std::vector<bool> done(groups + 1, false);
  std::vector<int32_t> sorted = counts;
  for (int first = 1; first <= model.groups(); ++first) {
    if (done[static_cast<size_t>(first)]) continue;
    std::vector<int> chain;  // ascending group numbers of the class
    for (int g = first; g <= model.groups(); ++g) {
      if (model.places.places[static_cast<size_t>(g)] ==
          model.places.places[static_cast<size_t>(first)]) {
        chain.push_back(g);
        done[static_cast<size_t>(g)] = true;
      }
    }
    std::vector<int> order = chain;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return SymmetryKey(model, counts, a) > SymmetryKey(model, counts, b);
    });
    for (size_t k = 0; k < chain.size(); ++k) {
      for (size_t q = 0; q < model.profiles.size(); ++q) {
        sorted[q * groups + static_cast<size_t>(chain[k] - 1)] =
            counts[q * groups + static_cast<size_t>(order[k] - 1)];
      }
    }
  }
  counts.swap(sorted);
  return counts;
}

int64_t ScoreOfCounts(const CountModel& model, const std::vector<int32_t>& counts) {
  const auto groups = static_cast<size_t>(model.groups());
  int64_t units = 0;
  for (const CountCategory& category : model.categories) {
    for (size_t g = 0; g < groups; ++g) {
      int64_t h = 0;
      for (const int32_t q : category.profiles) h += counts[static_cast<size_t>(q) * groups + g];
      units += category.unit_weight * Pairs(h);
    }
  }
  for (const CountBuddy& buddy : model.buddies) {
    for (size_t g = 0; g < groups; ++g) {
      int64_t h = 0;
      for (const int32_t q : buddy.profiles) h += counts[static_cast<size_t>(q) * groups + g];
      units += h == 1 ? buddy.unit_weight : 0;
    }
  }
  return model.constant + model.scale * units;
}

}  // namespace quorvale
