// The prover beside the search: a proof that ends the search short of the Target Score, a stop
// while the solver works, a search that the prover leaves unchanged, and the program's files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/screen_observer.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "engine/proof_board.h"
#include "proof/proven_bound.h"
#include "proof/prover.h"
#include "engine/search.h"
#include "proof/verdict.h"
#include "tests/support/fakes.h"
#include "tests/support/proof_instances.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

// A tiny class-like instance whose Target Score no grouping reaches.
test::ProofInstance TargetOutOfReach(int64_t& best_possible) {
  for (uint32_t seed = 1;; ++seed) {
    test::ProofInstance instance = test::MakeClassInstance(seed, 10, 3);
    best_possible = test::BruteForceBestScore(instance.problem);
    if (best_possible > instance.problem.TargetScore) return instance;
  }
}

struct ProofRig {
  explicit ProofRig(test::ProofInstance instance)
      : p(std::move(instance.problem)),
        categories(std::move(instance.categories)),
        board(ProvenBound(p, categories)) {}
  SearchOutcome Run(bool stop_when_proven, ProofBoard* proof) {
    SearchEnvironment env{observer, clock, sink, engine, 3, &stop};
    env.proof = proof;
    env.stop_when_proven = stop_when_proven;
    return RunSearch(p, env);
  }
  Problem p;
  std::vector<Category> categories;
  ProofBoard board;
  Screen screen;
  SearchScreen search_screen{screen};
  ScreenObserver observer{search_screen};
  Engine engine{SupportedKernelLevel()};
  test::FakeClock clock;
  test::RecordingSink sink{&clock};
  std::atomic<int> stop{0};
};

TEST(ProofSearchTest, AProofEndsTheSearchShortOfTheTargetScore) {
  int64_t best_possible = 0;
  ProofRig rig(TargetOutOfReach(best_possible));
  rig.p.TotalCycles = 50'000'000;  // far more than the proof needs
  Prover prover(rig.p, rig.categories, rig.board, ProverSettings{0, 0});
  prover.Start();
  const SearchOutcome outcome = rig.Run(true, &rig.board);
  prover.Stop();

  EXPECT_TRUE(outcome.proven_best);
  EXPECT_LT(outcome.CycleNumber, rig.p.TotalCycles);
  EXPECT_EQ(rig.p.BestScore, best_possible);
  EXPECT_EQ(rig.board.LowerBound(), best_possible);
  // The results keep TargetStatus 1: the Target Score itself was not reached.
  ASSERT_FALSE(rig.sink.saves.empty());
  EXPECT_EQ(rig.sink.saves.back().target_status, kTargetNotReached);
  EXPECT_EQ(rig.sink.saves.back().best_score, best_possible);
  EXPECT_EQ(rig.screen.TextAt(24, 13, 52), "PROVEN !! Best possible score reached & search ended");
  EXPECT_EQ(rig.screen.TextAt(78, 13, 1), "\u2551");  // the text leaves the box whole

  const Verdict verdict = MakeVerdict(rig.p, ProvenBound(rig.p, rig.categories), &prover.Report());
  EXPECT_TRUE(verdict.solver_ran);
  EXPECT_TRUE(verdict.proven_best);
  EXPECT_EQ(verdict.LowerBound, best_possible);
  EXPECT_GT(verdict.LowerBound, verdict.TargetScore);
}

TEST(ProofSearchTest, TheProverLeavesTheSearchUnchanged) {
  int64_t best_possible = 0;
  ProofRig alone(TargetOutOfReach(best_possible));
  ProofRig beside(TargetOutOfReach(best_possible));
  alone.p.TotalCycles = beside.p.TotalCycles = 400;
  Prover prover(beside.p, beside.categories, beside.board, ProverSettings{0, 0});
  prover.Start();
  const SearchOutcome a = alone.Run(false, nullptr);
  const SearchOutcome b = beside.Run(false, &beside.board);
  prover.Stop();
  EXPECT_FALSE(b.proven_best);
  EXPECT_EQ(a.CycleNumber, b.CycleNumber);
  ASSERT_EQ(alone.sink.saves.size(), beside.sink.saves.size());
  EXPECT_EQ(alone.sink.saves.back().best_assignment, beside.sink.saves.back().best_assignment);
  EXPECT_EQ(alone.screen.PlainText(), beside.screen.PlainText());
}

TEST(ProofSearchTest, AStopEndsTheSolverAtWork) {
  // Too large to prove in the time this test takes: the stop finds the solver at work.
  test::ProofInstance instance = test::MakeClassInstance(4, 58, 11);
  ProofRig rig(std::move(instance));
  rig.p.TotalCycles = 300;
  Prover prover(rig.p, rig.categories, rig.board, ProverSettings{0, 0});
  ASSERT_TRUE(prover.Report().model_built);
  prover.Start();
  rig.p.BestScore = rig.p.CurrentScore;
  rig.board.OfferBest(rig.p);
  while (!prover.SolverStarted()) std::this_thread::yield();
  rig.stop = 2;  // a signal: the search saves and ends at once
  const SearchOutcome outcome = rig.Run(true, &rig.board);
  EXPECT_EQ(outcome.stop_signal, 2);
  prover.Stop();  // as the driver does when a signal has ended the search
  const ProverReport& report = prover.Report();
  EXPECT_TRUE(report.solver_ran);
  EXPECT_FALSE(report.optimal);
  if (report.has_bound) {
    EXPECT_LE(report.lower_bound, rig.p.BestScore);
  }
  EXPECT_LE(rig.board.LowerBound(), rig.p.BestScore);
}

TEST(ProofSearchTest, AProverStoppedBeforeTheSearchOffersAnythingEndsAtOnce) {
  int64_t best_possible = 0;
  ProofRig rig(TargetOutOfReach(best_possible));
  Prover prover(rig.p, rig.categories, rig.board, ProverSettings{});
  prover.Start();
  prover.Stop();
  EXPECT_FALSE(prover.Report().solver_ran);
  const Verdict verdict = MakeVerdict(rig.p, rig.board.LowerBound(), &prover.Report());
  EXPECT_FALSE(verdict.solver_ran);
  EXPECT_EQ(verdict.Gap(), rig.p.BestScore - verdict.LowerBound);
}

// The golden instance gives the same "results.txt" for the same seed, with the prover running
// beside the search.
TEST(ProofProgramTest, FolderModeKeepsItsResultsForTheSameSeed) {
  const std::string golden = std::string(QM_GOLDEN_DIR) + "/mixed-40/";
  test::TempFolder work;
  work.WriteFile("parameters.txt", test::ReadWholeFile(golden + "parameters.txt"));
  work.WriteFile("data.txt", test::ReadWholeFile(golden + "data.txt"));
  const std::string command = std::string("'") + QM_PROGRAM_PATH + "' --folder '" + work.path() +
                              "' --seed 4242 --no-pause >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("results.txt")),
            test::ReadWholeFile(golden + "results-seed-4242.txt"));
}

}  // namespace
}  // namespace quorvale
