// The meetings of pairs over the rounds.
#include "engine/repeat_meetings.h"

#include <algorithm>

namespace quorvale {

RepeatMeetings::RepeatMeetings(const Model& model)
    : stride_(static_cast<size_t>(model.PersonCount()) + 1),
      weight_(model.RepeatWeight),
      meet_(stride_ * stride_, 0) {
  for (const auto& [p, q] : model.RepeatExempt) {
    At(p, q) = kExempt;
    At(q, p) = kExempt;
  }
}

int64_t RepeatMeetings::Load(const std::vector<std::vector<int32_t>>& groupings) {
  for (uint8_t& cell : meet_) cell &= kExempt;
  const auto n = static_cast<int32_t>(stride_) - 1;
  std::vector<std::vector<int32_t>> members;
  for (const std::vector<int32_t>& grouping : groupings) {
    members.clear();
    for (int32_t p = 1; p <= n; ++p) {
      const auto g = static_cast<size_t>(grouping[static_cast<size_t>(p)]);
      if (g == 0) continue;
      if (members.size() <= g) members.resize(g + 1);
      members[g].push_back(p);
    }
    for (const std::vector<int32_t>& group : members) {
      for (size_t a = 0; a < group.size(); ++a) {
        for (size_t b = a + 1; b < group.size(); ++b) {
          ++At(group[a], group[b]);
          ++At(group[b], group[a]);
        }
      }
    }
  }
  int64_t repeats = 0;
  for (int32_t p = 1; p <= n; ++p) {
    for (int32_t q = p + 1; q <= n; ++q) {
      const uint8_t cell = At(p, q);
      if ((cell & kExempt) == 0 && (cell & kCount) > 1) repeats += (cell & kCount) - 1;
    }
  }
  cost_ = repeats * weight_;
  return cost_;
}

int64_t RepeatMeetings::MoveDelta(int32_t p, int32_t skip, const std::vector<int32_t>& from,
                                  const std::vector<int32_t>& to) const {
  // A meeting lost costs less only where the pair met more than once; one gained costs more
  // only where it had met already.
  int64_t change = 0;
  for (const int32_t m : from) {
    const uint8_t cell = At(p, m);
    if (m != p && (cell & kExempt) == 0 && (cell & kCount) >= 2) --change;
  }
  for (const int32_t m : to) {
    const uint8_t cell = At(p, m);
    if (m != skip && (cell & kExempt) == 0 && (cell & kCount) >= 1) ++change;
  }
  return change * weight_;
}

void RepeatMeetings::Move(int32_t p, int32_t skip, const std::vector<int32_t>& from,
                          const std::vector<int32_t>& to) {
  for (const int32_t m : from) {
    if (m == p) continue;
    --At(p, m);
    --At(m, p);
  }
  for (const int32_t m : to) {
    if (m == skip) continue;
    ++At(p, m);
    ++At(m, p);
  }
}

int64_t RepeatMeetings::ExchangeDelta(int32_t k, int32_t j, const std::vector<int32_t>& k_group,
                                      const std::vector<int32_t>& j_group) const {
  return MoveDelta(k, j, k_group, j_group) + MoveDelta(j, k, j_group, k_group);
}

void RepeatMeetings::Exchange(int32_t k, int32_t j, const std::vector<int32_t>& k_group,
                              const std::vector<int32_t>& j_group) {
  cost_ += ExchangeDelta(k, j, k_group, j_group);
  // k's counts first, with j still counted in j_group's list but skipped; then j's, with k
  // skipped in k_group's.
  Move(k, j, k_group, j_group);
  Move(j, k, j_group, k_group);
}

int32_t RepeatMeetings::RepeatsIn(int32_t person, const std::vector<int32_t>& group) const {
  int32_t repeats = 0;
  for (const int32_t m : group) {
    const uint8_t cell = At(person, m);
    if (m != person && (cell & kExempt) == 0 && (cell & kCount) >= 2) {
      repeats += (cell & kCount) - 1;
    }
  }
  return repeats;
}

namespace {

// Whether the deal gives every person a group: the balance types and the one type of TypeMode 3
// take everybody, two dealt types only the persons of types 1 and 2.
bool DealsEveryone(const Model& model) {
  if (model.BalanceTypes > 0 || model.params.TypeMode == 3) return true;
  for (int32_t p = 1; p <= model.PersonCount(); ++p) {
    if (model.Type(p) != 1 && model.Type(p) != 2) return false;
  }
  return true;
}

// The pairs that any two rounds share at least: each group of one round holds persons of the
// other round's G groups, at best spread over them as evenly as can be.
int64_t SharedPairsOfTwoRounds(const Model& model) {
  const int64_t groups = model.GroupCount();
  int64_t shared = 0;
  for (int g = 1; g <= groups; ++g) {
    const int64_t size = model.GroupSize(g);
    const int64_t even = size / groups;
    const int64_t more = size % groups;  // of the other round's groups, those with one more
    shared += more * (even + 1) * even / 2 + (groups - more) * even * (even - 1) / 2;
  }
  return shared;
}

}  // namespace

int64_t RepeatMeetings::Bound(const Model& model) {
  if (!DealsEveryone(model)) return 0;
  const int64_t n = model.PersonCount();
  const int64_t rounds = std::max(model.Rounds, 1);
  int64_t smallest = n;
  for (int g = 1; g <= model.GroupCount(); ++g)
    smallest = std::min<int64_t>(smallest, model.GroupSize(g));
  std::vector<int64_t> exempt(static_cast<size_t>(n) + 1, 0);
  for (const auto& [p, q] : model.RepeatExempt) {
    ++exempt[static_cast<size_t>(p)];
    ++exempt[static_cast<size_t>(q)];
  }
  int64_t twice = 0;  // each pair's repeats counted from both ends
  for (int64_t p = 1; p <= n; ++p) {
    const int64_t e = exempt[static_cast<size_t>(p)];
    // Meetings with partners who are not exempt, less the distinct such partners there are.
    twice += std::max<int64_t>(0, rounds * (smallest - 1) - rounds * e - (n - 1 - e));
  }
  const int64_t by_partners = (twice + 1) / 2;
  // Every two rounds share their pairs; an exempt pair may be one of them in each two rounds. A
  // pair that meets m times is shared by m(m - 1)/2 two rounds and has m - 1 repeats: at most
  // rounds/2 shared for each repeat.
  const int64_t two_rounds = rounds * (rounds - 1) / 2;
  const int64_t shared =
      std::max<int64_t>(0, two_rounds * (SharedPairsOfTwoRounds(model) -
                                         static_cast<int64_t>(model.RepeatExempt.size())));
  const int64_t by_rounds = (2 * shared + rounds - 1) / rounds;
  return std::max(by_partners, by_rounds) * model.RepeatWeight;
}

int64_t ScheduleTargetScore(const Model& model, int64_t round_target) {
  if (model.Rounds <= 1) return round_target;
  return model.Rounds * round_target + RepeatMeetings::Bound(model);
}

int64_t RoundTargetScore(const Model& model, int64_t schedule_target) {
  if (model.Rounds <= 1) return schedule_target;
  return (schedule_target - RepeatMeetings::Bound(model)) / model.Rounds;
}

}  // namespace quorvale
