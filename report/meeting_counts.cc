// The meetings of a schedule, pair by pair.
#include "report/meeting_counts.h"

#include "engine/repeat_meetings.h"

namespace quorvale {

MeetingCounts CountMeetings(const Problem& p) {
  MeetingCounts counts;
  counts.pairs_meeting.assign(p.BestRounds.size() + 1, 0);
  RepeatMeetings meetings(p);
  meetings.Load(p.BestRounds);
  for (int32_t a = 1; a <= p.PersonCount(); ++a) {
    for (int32_t b = a + 1; b <= p.PersonCount(); ++b) {
      if (meetings.Exempt(a, b)) continue;
      const int32_t met = meetings.Meetings(a, b);
      ++counts.pairs_meeting[static_cast<size_t>(met)];
      if (met < 2) continue;
      ++counts.repeated_pairs;
      counts.repeats += met - 1;
      if (met > counts.most) {
        counts.most = met;
        counts.most_often.clear();
      }
      if (met == counts.most && counts.most_often.size() < kMostOftenPairs) {
        counts.most_often.emplace_back(a, b);
      }
    }
  }
  if (p.RepeatWeight > 0) counts.least_repeats = RepeatMeetings::Bound(p) / p.RepeatWeight;
  return counts;
}

}  // namespace quorvale
