// The run loop's contract, held over every strategy: the ways a search ends, the best grouping and
// its ties, the saving rules, the time limit and the last cycle, stop requests, and the proof.
// Each case runs the classic and the deep strategy (one thread) on a fake clock, and the rounds
// strategy on the same problems in three rounds where the case applies to it.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <utility>
#include <vector>

#include "app/screen_observer.h"
#include "base/format.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "engine/initial_assignment.h"
#include "engine/proof_board.h"
#include "engine/repeat_meetings.h"
#include "engine/run_loop.h"
#include "engine/search_schedule.h"
#include "proof/proven_bound.h"
#include "proof/prover.h"
#include "proof/verdict.h"
#include "tests/support/fakes.h"
#include "tests/support/problem_text.h"
#include "tests/support/proof_instances.h"
#include "tests/support/random_problem.h"

namespace quorvale {
namespace {

TEST(ScheduleTest, RatesAndRestarts) {
  Parameters plan;  // focus 3, spread 2, two stages a run
  plan.FocusCycles = 3;
  plan.SpreadCycles = 2;
  plan.StagesPerRun = 2;
  const int expected[][2] = {{1, 100},
                             {2, 0},
                             {3, 0},
                             {4, 4},
                             {5, 4},
                             {6, 0},
                             {9, 4},
                             {10, 4},
                             {11, 100},
                             {41, 100},
                             {51, kRestartFromBest},
                             {61, 100},
                             {101, kRestartFromBest}};
  for (const auto& [cycle, rate] : expected) EXPECT_EQ(ScheduledRate(cycle, plan), rate) << cycle;
  plan.FocusCycles = 0;  // every cycle a spread cycle
  for (int cycle = 1; cycle <= 60; ++cycle) EXPECT_EQ(ScheduledRate(cycle, plan), 4);
}

// A search on the in-memory screen, as the program wires it, with a fake clock and a recording
// sink.
struct SearchRig {
  SearchRig(SearchStrategy kind, Problem problem, int64_t start_ms = 0, int64_t step_ms = 0)
      : strategy(kind), p(std::move(problem)), clock(start_ms, step_ms), sink(&clock) {}
  SearchOutcome Run(uint32_t seed = 1) {
    SearchEnvironment env{observer, clock, sink, engine, seed, &stop, first_save_ms};
    env.time_limit_ms = time_limit_ms;
    env.last_cycle = last_cycle;
    env.plan_ends_search = plan_ends_search;
    env.proof = proof;
    env.stop_when_proven = proof != nullptr;
    env.strategy = strategy;
    return RunSearch(p, env);
  }
  // Persons of each (group, type) in `grouping`: what no strategy may change.
  std::map<std::pair<int32_t, int32_t>, int> GroupTypeCounts(const std::vector<int32_t>& grouping) {
    std::map<std::pair<int32_t, int32_t>, int> counts;
    for (int r = 1; r <= p.PersonCount(); ++r) ++counts[{grouping[size_t(r)], p.Type(r)}];
    return counts;
  }
  // Scores `grouping` in full, leaving its PersonConflict in `conflicts`; the problem's grouping
  // and tables are as before.
  int64_t FullScore(const std::vector<int32_t>& grouping, std::vector<int32_t>* conflicts) {
    const std::vector<int32_t> kept = p.Assignment;
    p.Assignment = grouping;
    const int64_t score = EvaluateAssignment(p, engine);
    if (conflicts != nullptr) *conflicts = p.PersonConflict;
    p.Assignment = kept;
    EvaluateAssignment(p, engine);
    return score;
  }

  SearchStrategy strategy;
  Problem p;
  Screen screen;
  SearchScreen search_screen{screen};
  ScreenObserver observer{search_screen};
  Engine engine{SupportedKernelLevel()};
  test::FakeClock clock;
  test::RecordingSink sink;
  std::atomic<int> stop{0};
  int64_t first_save_ms = kFirstSaveMs;
  int64_t time_limit_ms = 0;
  int32_t last_cycle = 0;
  bool plan_ends_search = true;
  ProofBoard* proof = nullptr;
};

// A problem whose target is out of reach, so the search runs its whole plan (18 cycles unless
// told otherwise).
Problem LongSearch(int32_t cycles = 18) {
  Problem p = test::MakeRandomProblem(11, {30, 4, 3, 1, false, 200});
  p.TargetScore = -1000000;
  p.params.RunCount = cycles <= 18 ? 3 : 100;
  p.TotalCycles = cycles;
  return p;
}

// Eight persons of one type in two groups with nothing to weigh: every grouping scores 0, the
// same as the best, and no pass ever improves. Three cycles.
Problem FlatSearch() {
  Problem p = test::PreparedProblem("8 3 3 2 1 1 3 0",
                                    "0 0 0  1 1 1 2 1 1 3 1 2 4 1 2 5 1 3 6 1 3 7 1 4 8 1 4");
  p.TargetScore = -1;  // out of reach
  return p;
}

// A strategy of the harness: with rounds, its problems are searched in that many rounds.
struct Searched {
  SearchStrategy strategy;
  int32_t rounds;
};

class SearchContractTest : public testing::TestWithParam<Searched> {
 protected:
  SearchRig Rig(Problem problem, int64_t start_ms = 0, int64_t step_ms = 0) {
    if (Rounds()) test::SearchInRounds(problem, GetParam().rounds);
    return SearchRig(GetParam().strategy, std::move(problem), start_ms, step_ms);
  }
  bool Rounds() const { return GetParam().rounds > 1; }
};

TEST_P(SearchContractTest, WaysASearchEnds) {
  if (Rounds()) GTEST_SKIP() << "dealt onto one grouping's target";
  // TypeMode 3 deals the example straight onto its target: no cycle, one save, success.
  SearchRig at_target = Rig(test::PreparedProblem("6 4 3 2 2 3 2 1", test::kExampleData));
  SearchOutcome outcome = at_target.Run();
  EXPECT_EQ(outcome.TargetStatus, kTargetReached);
  ASSERT_EQ(at_target.sink.saves.size(), 1u);
  EXPECT_EQ(at_target.sink.saves[0].cycle_number, 0);
  EXPECT_EQ(at_target.screen.TextAt(24, 13, 52),
            "SUCCESS !! Target Score achieved & search terminated");
  // No planned cycles: cycle 0 of 0, not reached.
  SearchRig empty = Rig(test::PreparedProblem("6 4 1 2 0 3 2 1", test::kExampleData));
  outcome = empty.Run();
  EXPECT_EQ(outcome.TargetStatus, kTargetNotReached);
  EXPECT_EQ(empty.screen.TextAt(26, 13, 46), "Search completed: But Target Score not reached");
  EXPECT_EQ(empty.screen.TextAt(68, 8, 24), "Scrambler Cycles: 0 of 0");
  // The example reaches its target in the first cycle and ends there.
  SearchRig example = Rig(test::PreparedProblem(test::kExampleParameters, test::kExampleData));
  outcome = example.Run();
  EXPECT_EQ(outcome.TargetStatus, kTargetReached);
  EXPECT_EQ(outcome.CycleNumber, 1);
  EXPECT_EQ(example.p.BestScore, 50);
}

TEST_P(SearchContractTest, TheBestScoreNeverRisesAndIsItsGroupings) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SearchRig rig = Rig(test::MakeRandomProblem(seed, test::RandomShape(seed, 40)), 16000);
    const auto counts = rig.GroupTypeCounts(rig.p.Assignment);
    const int64_t first = rig.p.BestScore;
    rig.Run(seed);
    ASSERT_FALSE(rig.sink.saves.empty());
    EXPECT_LE(rig.sink.saves.front().best_score, first);
    for (size_t i = 1; i < rig.sink.saves.size(); ++i) {
      EXPECT_LE(rig.sink.saves[i].best_score, rig.sink.saves[i - 1].best_score) << seed;
    }
    EXPECT_EQ(rig.sink.saves.back().best_score, rig.p.BestScore) << seed;
    EXPECT_EQ(rig.GroupTypeCounts(rig.p.BestAssignment), counts) << seed;
    std::vector<int32_t> conflicts;
    const int64_t recounted = rig.FullScore(rig.p.BestAssignment, &conflicts);
    EXPECT_EQ(conflicts, rig.p.BestPersonConflict) << seed;
    if (Rounds()) {  // every round, and the repeats, recounted
      ASSERT_EQ(rig.p.BestRounds.size(), size_t(GetParam().rounds));
      EXPECT_EQ(rig.p.BestRounds[0], rig.p.BestAssignment);
      RepeatMeetings meetings(rig.p);
      int64_t whole = meetings.Load(rig.p.BestRounds);
      for (const auto& round : rig.p.BestRounds) {
        EXPECT_EQ(rig.GroupTypeCounts(round), counts) << seed;
        whole += rig.FullScore(round, nullptr);
      }
      EXPECT_EQ(whole, rig.p.BestScore) << seed;
      continue;
    }
    EXPECT_EQ(recounted, rig.p.BestScore) << seed;
    // The tables describe the strategy's last grouping.
    EXPECT_EQ(rig.FullScore(rig.p.Assignment, nullptr), rig.p.CurrentScore) << seed;
  }
}

TEST_P(SearchContractTest, OneSeedOneResult) {
  std::vector<std::vector<int32_t>> results;
  for (int run = 0; run < 2; ++run) {
    SearchRig rig = Rig(test::MakeRandomProblem(5, {120, 8, 4, 1, false, 300}));
    rig.p.TotalCycles = 20;
    rig.Run(77);
    results.push_back(rig.p.BestAssignment);
    for (const auto& round : rig.p.BestRounds) results.push_back(round);
  }
  EXPECT_EQ(results[0], results[1]);
}

TEST_P(SearchContractTest, ATimeLimitEndsLikeAPlanOfTheCyclesReached) {
  SearchRig unlimited = Rig(LongSearch(60), 0, 1);  // each clock reading is 1 ms later
  ASSERT_EQ(unlimited.Run(99).CycleNumber, 60);

  SearchRig limited = Rig(LongSearch(60), 0, 1);
  limited.time_limit_ms = unlimited.clock.ElapsedMs() / 2;
  const SearchOutcome outcome = limited.Run(99);
  const int32_t reached = outcome.CycleNumber;
  ASSERT_GT(reached, 1);
  ASSERT_LT(reached, 60);
  EXPECT_TRUE(outcome.time_limit_hit);
  EXPECT_FALSE(outcome.cut_mid_cycle);
  EXPECT_EQ(limited.screen.TextAt(26, 13, 46), "Search completed: But Target Score not reached");
  EXPECT_EQ(limited.screen.TextAt(68, 8, 30),
            "Scrambler Cycles: " + std::to_string(reached) + " of 60    ");
  ASSERT_EQ(limited.sink.saves.size(), 1u);  // the final save, never past 16 s

  // Its last cycle, or a plan of that many cycles, repeats it exactly.
  for (const bool by_plan : {false, true}) {
    SearchRig repeat = Rig(LongSearch(by_plan ? reached : 60), 0, 1);
    if (!by_plan) repeat.last_cycle = reached;
    repeat.Run(99);
    ASSERT_EQ(repeat.sink.saves.size(), 1u);
    EXPECT_EQ(repeat.sink.saves[0].cycle_number, reached);
    EXPECT_EQ(repeat.sink.saves[0].best_assignment, limited.sink.saves[0].best_assignment);
  }

  SearchRig late = Rig(LongSearch(60), 0, 1);  // a limit already passed still finishes one cycle
  late.time_limit_ms = 1;
  EXPECT_EQ(late.Run(99).CycleNumber, 1);
}

TEST_P(SearchContractTest, ACycleFarPastTheTimeLimitIsCutShort) {
  // Each clock reading is 5 s later: the first cycle overruns a limit of 1 ms by far more than
  // the grace, and the search closes inside it.
  SearchRig rig = Rig(LongSearch(60), 0, 5000);
  rig.time_limit_ms = 1;
  const SearchOutcome outcome = rig.Run(3);
  EXPECT_TRUE(outcome.time_limit_hit);
  EXPECT_TRUE(outcome.cut_mid_cycle);
  EXPECT_EQ(outcome.stop_signal, 0);
  EXPECT_EQ(outcome.CycleNumber, 1);
  EXPECT_EQ(rig.screen.TextAt(26, 13, 46), "Search completed: But Target Score not reached");
  EXPECT_EQ(rig.sink.saves.back().best_score, rig.p.BestScore);
}

TEST_P(SearchContractTest, APlanThatDoesNotEndTheSearchRunsOnToTheTimeLimit) {
  SearchRig rig = Rig(LongSearch(3), 0, 1);
  rig.plan_ends_search = false;
  rig.time_limit_ms = 2000;
  const SearchOutcome outcome = rig.Run();
  EXPECT_GT(outcome.CycleNumber, 3);
  EXPECT_TRUE(outcome.time_limit_hit);
  EXPECT_EQ(rig.screen.TextAt(68, 8, 32),
            StringPrintf("Scrambler Cycles: %-14d", outcome.CycleNumber));
}

TEST_P(SearchContractTest, SavingRules) {
  SearchRig quiet = Rig(LongSearch(), 0, 1);  // 1 ms a clock reading: never past 16 s
  quiet.Run();
  ASSERT_EQ(quiet.sink.saves.size(), 1u);
  EXPECT_EQ(quiet.sink.saves[0].cycle_number, 18);
  EXPECT_EQ(quiet.screen.TextAt(19, 18, 7), "       ");

  SearchRig late = Rig(LongSearch(), 16000);
  late.Run();
  ASSERT_GE(late.sink.saves.size(), 2u);
  EXPECT_EQ(late.sink.saves[0].cycle_number, 1);  // the first step saves, improved or not
  EXPECT_EQ(late.screen.TextAt(19, 18, 61),
            "Interim (Best-So-Far) Results-Saving is now ON.  Stop search,");
  for (size_t i = 1; i + 1 < late.sink.saves.size(); ++i) {  // then strict improvements only
    EXPECT_LT(late.sink.saves[i].best_score, late.sink.saves[i - 1].best_score);
  }
  for (const int64_t start_ms : {15000, 15999}) {
    SearchRig early = Rig(LongSearch(), start_ms);
    early.Run();
    ASSERT_EQ(early.sink.saves.size(), 1u) << start_ms;  // the closing save only
  }
  SearchRig shortened = Rig(LongSearch(), 500);  // a shorter wait, for the fault tests
  shortened.first_save_ms = 500;
  shortened.Run();
  EXPECT_EQ(shortened.sink.saves.at(0).cycle_number, 1);
}

TEST_P(SearchContractTest, ATieBecomesTheBestAndTheFirstInterimSaveNeedsNoImprovement) {
  if (Rounds()) GTEST_SKIP() << "repeats make the flat search uneven";
  SearchRig rig = Rig(FlatSearch(), 16000);
  const std::vector<int32_t> dealt = rig.p.Assignment;
  rig.Run(3);
  ASSERT_NE(rig.p.Assignment, dealt) << "the search left the deal as it was";
  EXPECT_EQ(rig.p.BestAssignment, rig.p.Assignment);  // the last tie is the best grouping
  ASSERT_EQ(rig.sink.saves.size(), 2u);
  EXPECT_EQ(rig.sink.saves[0].cycle_number, 1);  // unimproved, but the first step past 16 s
  EXPECT_EQ(rig.sink.saves[1].cycle_number, 3);  // then only the closing save
  EXPECT_EQ(rig.screen.TextAt(19, 19, 62),
            "and use Best-So-Far solution, by closing this window any time.");
}

TEST_P(SearchContractTest, FailedSavesAreShownRetriedAndReported) {
  SearchRig retried = Rig(LongSearch(), 16000);
  retried.sink.fail_next = 1;
  EXPECT_TRUE(retried.Run().saved);
  // Tried again at the next step: a cycle of the rounds search is one step.
  EXPECT_EQ(retried.sink.saves[1].cycle_number, Rounds() ? 2 : 1);
  EXPECT_EQ(retried.screen.TextAt(1, kSaveErrorRow, 5), "     ");

  SearchRig failing = Rig(LongSearch());
  failing.sink.fail_next = 1;  // the closing save fails
  EXPECT_FALSE(failing.Run().saved);
  EXPECT_EQ(failing.screen.TextAt(1, kSaveErrorRow, 37), "Could not save the results: disk full");
}

TEST_P(SearchContractTest, AStopSavesTheBestSoFarAtOnce) {
  SearchRig before = Rig(LongSearch());
  before.stop = 15;
  EXPECT_EQ(before.Run().stop_signal, 15);
  ASSERT_EQ(before.sink.saves.size(), 1u);
  EXPECT_EQ(before.sink.saves[0].target_status, kTargetNotReached);
  EXPECT_EQ(before.screen.TextAt(26, 13, 6), "      ");  // no closing message

  // A stop during a long search, from the clock's side: saved at once, reported, no closing.
  class StoppingClock final : public Clock {
   public:
    explicit StoppingClock(std::atomic<int>& stop) : stop_(stop) {}
    int64_t ElapsedMs() override {
      if (++readings_ == 5000) stop_ = 2;
      return readings_;
    }

   private:
    std::atomic<int>& stop_;
    int64_t readings_ = 0;
  };
  SearchRig during = Rig(LongSearch(1000000));
  StoppingClock clock(during.stop);
  SearchEnvironment env{during.observer, clock, during.sink, during.engine, 1, &during.stop};
  env.strategy = GetParam().strategy;
  const SearchOutcome outcome = RunSearch(during.p, env);
  EXPECT_EQ(outcome.stop_signal, 2);
  EXPECT_LT(outcome.CycleNumber, 1000000);
  EXPECT_EQ(during.sink.saves.back().best_score, during.p.BestScore);
  EXPECT_EQ(during.screen.TextAt(26, 13, 6), "      ");
}

// A tiny class-like instance whose Target Score no grouping reaches.
test::ProofInstance TargetOutOfReach(int64_t& best_possible) {
  for (uint32_t seed = 1;; ++seed) {
    test::ProofInstance instance = test::MakeClassInstance(seed, 10, 3);
    best_possible = test::BruteForceBestScore(instance.problem);
    if (best_possible > instance.problem.TargetScore) return instance;
  }
}

TEST_P(SearchContractTest, AProofEndsTheSearchShortOfTheTargetScore) {
  if (Rounds()) GTEST_SKIP() << "no proof holds across rounds";
  int64_t best_possible = 0;
  test::ProofInstance instance = TargetOutOfReach(best_possible);
  ProofBoard board(ProvenBound(instance.problem, instance.categories));
  SearchRig rig = Rig(std::move(instance.problem));
  rig.p.TotalCycles = 50'000'000;  // far more than the proof needs
  rig.proof = &board;
  Prover prover(rig.p, instance.categories, board, ProverSettings{0, 0});
  prover.Start();
  const SearchOutcome outcome = rig.Run();
  prover.Stop();

  EXPECT_TRUE(outcome.proven_best);
  EXPECT_LT(outcome.CycleNumber, rig.p.TotalCycles);
  EXPECT_EQ(rig.p.BestScore, best_possible);
  // The results keep TargetStatus 1: the Target Score itself was not reached.
  EXPECT_EQ(rig.sink.saves.back().target_status, kTargetNotReached);
  EXPECT_EQ(rig.sink.saves.back().best_score, best_possible);
  EXPECT_EQ(rig.screen.TextAt(24, 13, 52), "PROVEN !! Best possible score reached & search ended");
  EXPECT_EQ(rig.screen.TextAt(78, 13, 1), "\u2551");  // the text leaves the box whole

  const ProverReport report = prover.Report();
  const Verdict verdict = MakeVerdict(rig.p, ProvenBound(rig.p, instance.categories), &report);
  EXPECT_TRUE(verdict.proven_best);
  EXPECT_EQ(verdict.LowerBound, best_possible);
  EXPECT_GT(verdict.LowerBound, verdict.TargetScore);
}

TEST_P(SearchContractTest, TheProverLeavesTheSearchUnchanged) {
  if (Rounds()) GTEST_SKIP() << "no proof holds across rounds";
  int64_t best_possible = 0;
  SearchRig alone = Rig(TargetOutOfReach(best_possible).problem);
  test::ProofInstance instance = TargetOutOfReach(best_possible);
  ProofBoard board(ProvenBound(instance.problem, instance.categories));
  SearchRig beside = Rig(std::move(instance.problem));
  alone.p.TotalCycles = beside.p.TotalCycles = 400;
  Prover prover(beside.p, instance.categories, board, ProverSettings{0, 0});
  prover.Start();
  const SearchOutcome a = alone.Run();
  SearchEnvironment env{beside.observer, beside.clock, beside.sink, beside.engine, 1, &beside.stop};
  env.strategy = GetParam().strategy;
  env.proof = &board;  // offered to, but not allowed to end the search
  const SearchOutcome b = RunSearch(beside.p, env);
  prover.Stop();
  EXPECT_FALSE(b.proven_best);
  // Every better grouping was offered: the board holds one of the search's best score.
  std::vector<int32_t> offered;
  int64_t offered_score = 0;
  const std::atomic<bool> go_on{false};
  ASSERT_TRUE(board.WaitForSettledBest(0, go_on, offered, offered_score));
  EXPECT_EQ(offered_score, beside.p.BestScore);
  EXPECT_EQ(a.CycleNumber, b.CycleNumber);
  EXPECT_EQ(alone.sink.saves.back().best_assignment, beside.sink.saves.back().best_assignment);
  EXPECT_EQ(alone.screen.PlainText(), beside.screen.PlainText());
}

INSTANTIATE_TEST_SUITE_P(Strategies, SearchContractTest,
                         testing::Values(Searched{SearchStrategy::kClassic, 0},
                                         Searched{SearchStrategy::kDeep, 0},
                                         Searched{SearchStrategy::kClassic, 3}),
                         [](const testing::TestParamInfo<Searched>& searched) {
                           if (searched.param.rounds > 1) return "Rounds";
                           return searched.param.strategy == SearchStrategy::kClassic ? "Classic"
                                                                                      : "Deep";
                         });

}  // namespace
}  // namespace quorvale
