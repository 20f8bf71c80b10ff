// How often each two persons share a group over several rounds of groupings, and the cost of
// meeting again: the repeat weight for each meeting of a pair beyond its first, except for the
// pairs exempt from it (those a together rule keeps in one group).
//
// Invariant: cost() equals the weight times the sum, over pairs that are not exempt, of their
// meetings beyond the first, for the rounds loaded and every exchange made since.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"

namespace quorvale {

class RepeatMeetings {
 public:
  RepeatMeetings() = default;
  // For `model`'s persons, repeat weight and exempt pairs. REQUIRES: model.Rounds <= kMaxRounds.
  explicit RepeatMeetings(const Model& model);

  // Counts the meetings of `groupings` (each entries 1..N) and returns the cost.
  int64_t Load(const std::vector<std::vector<int32_t>>& groupings);
  int64_t cost() const { return cost_; }
  int32_t Meetings(int32_t p, int32_t q) const { return At(p, q) & kCount; }
  bool Exempt(int32_t p, int32_t q) const { return (At(p, q) & kExempt) != 0; }

  // The change of the cost when, in one round, k leaves the group whose members are `k_group`
  // for the group whose members are `j_group`, and j the other way. The member lists are those
  // before the exchange (k in k_group, j in j_group).
  int64_t ExchangeDelta(int32_t k, int32_t j, const std::vector<int32_t>& k_group,
                        const std::vector<int32_t>& j_group) const;
  // Makes that exchange in the counts.
  void Exchange(int32_t k, int32_t j, const std::vector<int32_t>& k_group,
                const std::vector<int32_t>& j_group);

  // The meetings of `person` beyond the first with the members of `group` (it among them).
  int32_t RepeatsIn(int32_t person, const std::vector<int32_t>& group) const;

  // No schedule of `model`'s rounds has fewer repeated meetings (times the weight): a person
  // meets at least (smallest group - 1) partners a round, and there are only N - 1 of them; and
  // a group larger than the number of groups must take two or more persons from some group of
  // every other round.
  // 0 when some persons are never dealt (their types are not dealt), as nothing then says how
  // many the others meet.
  static int64_t Bound(const Model& model);

 private:
  static constexpr uint8_t kCount = 0x7F;
  static constexpr uint8_t kExempt = 0x80;
  uint8_t At(int32_t p, int32_t q) const {
    return meet_[static_cast<size_t>(p) * stride_ + static_cast<size_t>(q)];
  }
  uint8_t& At(int32_t p, int32_t q) {
    return meet_[static_cast<size_t>(p) * stride_ + static_cast<size_t>(q)];
  }
  // The change of the cost when `p` leaves `from` (members, p among them; `skip` is not) and
  // joins `to` (members; `skip` among them, about to leave).
  int64_t MoveDelta(int32_t p, int32_t skip, const std::vector<int32_t>& from,
                    const std::vector<int32_t>& to) const;
  void Move(int32_t p, int32_t skip, const std::vector<int32_t>& from,
            const std::vector<int32_t>& to);

  size_t stride_ = 0;
  int64_t weight_ = 0;
  std::vector<uint8_t> meet_;  // (N + 1)^2: meetings, and the exempt flag
  int64_t cost_ = 0;
};

// The Target Score of `model`'s whole schedule when one grouping's is `round_target`: every
// round's, and the repeats no schedule avoids. With one grouping, `round_target` itself.
int64_t ScheduleTargetScore(const Model& model, int64_t round_target);

// One grouping's share of a whole schedule's Target Score `schedule_target`: what
// ScheduleTargetScore was given. With one grouping, `schedule_target` itself.
int64_t RoundTargetScore(const Model& model, int64_t schedule_target);

}  // namespace quorvale
