// The search over rounds: the meetings' and the schedule's changes against full recounts, the
// lower bound on repeats, and a schedule without repeats where one exists. (Every round keeping
// the wishes of one grouping is checked through the program, by the roster wishes test.)
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/initial_assignment.h"
#include "engine/repeat_meetings.h"
#include "engine/rounds_schedule.h"
#include "engine/run_loop.h"
#include "tests/support/quiet_search.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

using Rounds = std::vector<std::vector<int32_t>>;

// The repeats of `rounds` counted pair by pair, times the weight. Group 0 holds the persons
// never dealt, who meet nobody.
int64_t RepeatCost(const Model& m, const Rounds& rounds) {
  int64_t cost = 0;
  for (int a = 1; a <= m.PersonCount(); ++a) {
    for (int b = a + 1; b <= m.PersonCount(); ++b) {
      const bool exempt = std::find(m.RepeatExempt.begin(), m.RepeatExempt.end(),
                                    std::pair{a, b}) != m.RepeatExempt.end();
      int meetings = 0;
      for (const auto& round : rounds) {
        meetings += round[size_t(a)] != 0 && round[size_t(a)] == round[size_t(b)];
      }
      if (!exempt && meetings > 1) cost += (meetings - 1) * int64_t{m.RepeatWeight};
    }
  }
  return cost;
}

// Two persons of `round` in different groups, drawn from `rng`; `movers` lists who may move.
std::pair<int32_t, int32_t> DrawExchange(std::mt19937& rng, const std::vector<int32_t>& round,
                                         const std::vector<int32_t>& movers) {
  for (;;) {
    const int32_t k = movers[rng() % movers.size()];
    const int32_t j = movers[rng() % movers.size()];
    if (round[size_t(k)] != round[size_t(j)]) return {k, j};
  }
}

TEST(RepeatMeetingsTest, ExchangesMatchAPairByPairRecount) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    Model m;
    m.params.PersonCount = 6 + int(rng() % 25);
    m.params.GroupCount = 2 + int(rng() % 4);
    m.Rounds = 2 + int(rng() % 5);
    m.RepeatWeight = 7;
    for (int e = 0; e < 4; ++e) {
      const int a = 1 + int(rng() % (m.PersonCount() - 1));
      m.RepeatExempt.emplace_back(a, a + 1);
    }
    Rounds rounds(size_t(m.Rounds), std::vector<int32_t>(size_t(m.PersonCount()) + 1, 0));
    for (auto& round : rounds) {
      for (int p = 1; p <= m.PersonCount(); ++p) round[size_t(p)] = 1 + int(rng() % 2);
    }
    std::vector<int32_t> everyone;
    for (int p = 1; p <= m.PersonCount(); ++p) everyone.push_back(p);
    RepeatMeetings meetings(m);
    ASSERT_EQ(meetings.Load(rounds), RepeatCost(m, rounds)) << seed;
    for (int step = 0; step < 60; ++step) {
      auto& round = rounds[rng() % rounds.size()];
      const auto [k, j] = DrawExchange(rng, round, everyone);
      std::vector<int32_t> k_group, j_group;
      for (int p = 1; p <= m.PersonCount(); ++p) {
        if (round[size_t(p)] == round[size_t(k)]) k_group.push_back(p);
        if (round[size_t(p)] == round[size_t(j)]) j_group.push_back(p);
      }
      int32_t in_k_group = 0;  // k's meetings beyond the first with its group
      for (const int32_t q : k_group) {
        int count = 0;
        for (const auto& r : rounds) count += r[size_t(k)] == r[size_t(q)];
        if (q != k && !meetings.Exempt(k, q) && count > 1) in_k_group += count - 1;
      }
      EXPECT_EQ(meetings.RepeatsIn(k, k_group), in_k_group);
      const int64_t before = meetings.cost();
      const int64_t delta = meetings.ExchangeDelta(k, j, k_group, j_group);
      meetings.Exchange(k, j, k_group, j_group);
      std::swap(round[size_t(k)], round[size_t(j)]);
      ASSERT_EQ(meetings.cost(), RepeatCost(m, rounds)) << seed << " step " << step;
      EXPECT_EQ(before + delta, meetings.cost());
    }
  }
}

TEST(RepeatMeetingsTest, BoundCountsThePartnersThereAreNot) {
  struct Case {
    int persons, groups, rounds;
    std::vector<std::pair<int32_t, int32_t>> exempt;
    int other_type_person;  // 0: everyone of a dealt type
    int64_t repeats;
  };
  const Case cases[] = {
      {32, 8, 10, {}, 0, 0},        // 30 partners a person, of 31
      {32, 8, 11, {}, 0, 32},       // 33 of 31: two too many for each of 32
      {9, 3, 4, {}, 0, 0},          // every pair once
      {8, 2, 3, {}, 0, 8},          //
      {8, 2, 3, {{1, 2}}, 0, 6},    // 1 and 2 may meet every round
      {8, 2, 3, {}, 5, 0},          // person 5 is never dealt: no bound
      {12, 5, 3, {}, 0, 0},         // groups of 2 and 3: the smallest counts
      {60, 6, 3, {}, 0, 48},        // 10 a group from 6 groups: 4 pairs again, 72 for 3 rounds
      {60, 6, 3, {{1, 2}}, 0, 46},  // one of them may meet every round
  };
  for (const Case& c : cases) {
    Model m;
    m.params = Parameters{};
    m.params.PersonCount = c.persons;
    m.params.ColumnCount = 2;
    m.params.GroupCount = c.groups;
    m.params.TypeMode = 1;
    ASSERT_TRUE(m.DataTable.Allocate(size_t(c.persons) + 1, 2));
    for (int p = 1; p <= c.persons; ++p) m.DataTable(p, 1) = p == c.other_type_person ? 7 : 1;
    m.Rounds = c.rounds;
    m.RepeatWeight = 100;
    m.RepeatExempt = c.exempt;
    EXPECT_EQ(RepeatMeetings::Bound(m), c.repeats * 100) << c.persons << "/" << c.rounds;
    EXPECT_EQ(ScheduleTargetScore(m, 50), c.rounds * 50 + c.repeats * 100);
  }
}

TEST(RepeatMeetingsTest, TheRoundsTablesCountInTheMemoryLimit) {
  for (const auto& [persons, groups, refused] :
       {std::tuple{30000, 1000, true}, {1000, 50, false}}) {
    Model m;
    m.params.PersonCount = persons;
    m.params.ColumnCount = 2;
    m.params.GroupCount = groups;
    m.Rounds = 8;
    const double one_grouping = ProblemBytes(m.params);
    EXPECT_GT(ModelBytes(m), one_grouping + 8.0 * (persons + 1) * (groups + 1) * 8);
    Problem p;
    const Status status = LoadModel(std::move(m), p, refused ? one_grouping * 1.1 : 1e9);
    EXPECT_EQ(status.message(), refused ? "Not enough memory for 8 rounds of 30000 persons in "
                                          "1000 groups: they need 4.4 GiB."
                                        : "");
  }
}

// A whole schedule's score recounted: every round evaluated alone, and the repeats.
int64_t FullScore(Problem& p, const Rounds& rounds) {
  const std::vector<int32_t> kept = p.Assignment;
  int64_t score = RepeatCost(p, rounds);
  for (const auto& round : rounds) {
    p.Assignment = round;
    score += EvaluateAssignment(p, Engine(SupportedKernelLevel()));
  }
  p.Assignment = kept;
  return score;
}

TEST(RoundsScheduleTest, GainsAndScoreMatchAFullRecount) {
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    Problem p = test::MakeRandomProblem(seed, {24, 3 + int(seed % 3), 3, 1, seed % 2 == 0, 150});
    std::mt19937 rng(seed);
    if (seed % 4 == 1) {  // the wishes beyond pairs are every round's too
      BuddyWish buddy{120, std::vector<int32_t>(25), 3};
      AverageWish average{90, std::vector<int64_t>(25), std::vector<uint8_t>(25, 1), 0};
      for (size_t i = 1; i <= 24; ++i) {
        buddy.value[i] = int32_t(rng() % 4);
        average.value[i] = int64_t(rng() % 50);
      }
      p.Buddies = {buddy};
      p.Averages = {average};
    }
    p.RepeatExempt = {{1, 2}, {5, 9}};
    test::SearchInRounds(p, 2 + int(seed % 3));
    EXPECT_EQ(p.BestScore, FullScore(p, p.BestRounds)) << seed;
    RoundsSchedule schedule(p);
    schedule.Load(p.BestRounds);
    ASSERT_EQ(schedule.score(), p.BestScore);
    std::vector<int32_t> movers = schedule.ClassMembers(1);
    for (int step = 0; step < 40; ++step) {
      const auto r = int32_t(rng() % size_t(schedule.rounds()));
      const auto [k, j] = DrawExchange(rng, schedule.groupings()[size_t(r)], movers);
      const int64_t gain = schedule.Gain(r, k, j);
      const int64_t before = schedule.score();
      schedule.Exchange(r, k, j);
      ASSERT_EQ(schedule.score(), FullScore(p, schedule.groupings())) << seed << " step " << step;
      EXPECT_EQ(before - gain, schedule.score());
    }
  }
}

TEST(RoundsSearchTest, ResolvableDesignsAreFoundWithoutARepeat) {
  // 9 persons in threes over 4 rounds (the greedy start finds it), and 16 in fours over 5 (the
  // search does): every pair meets exactly once.
  for (const auto& [persons, groups, rounds] : {std::tuple{9, 3, 4}, std::tuple{16, 4, 5}}) {
    Problem p = test::MakeRandomProblem(1, {persons, groups, 0, 3, false, 0});
    test::SearchInRounds(p, rounds);
    ASSERT_EQ(p.TargetScore, 0);
    EXPECT_EQ(test::SearchQuietly(p, SearchStrategy::kDeep, 1000).TargetStatus, kTargetReached)
        << persons;
    EXPECT_EQ(p.BestScore, 0);
    ASSERT_EQ(p.BestRounds.size(), size_t(rounds));
    RepeatMeetings meetings(p);
    meetings.Load(p.BestRounds);
    for (int a = 1; a <= persons; ++a) {
      for (int b = a + 1; b <= persons; ++b) EXPECT_EQ(meetings.Meetings(a, b), 1) << a << " " << b;
    }
  }
}

}  // namespace
}  // namespace quorvale
