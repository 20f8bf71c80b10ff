// The prover: a second thread beside the search that solves the exact count model, seeded with
// the search's best grouping once it has settled, and raises the proven lower bound on the
// ProofBoard. It does no I/O and never waits for the search.
//
// Stop ends it within a bounded wait: the solver is asked to stop, and where it does not answer
// in time (CBC's strong branching does not look at its stop handler), the thread is left behind
// to finish on its own. It owns what it works on, touches the board only while the Prover is
// still waiting for it, and the program then ends without waiting for it (LeftBehind).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/proof_board.h"
#include "proof/categories.h"
#include "proof/count_model.h"

namespace quorvale {

struct ProverSettings {
  int64_t time_limit_ms = 0;  // wall time from Start for the whole proof; 0: until stopped
  // The solver starts once the search's best grouping has stood this long: a good first solution
  // lets it prune from the start.
  int64_t settle_ms = 500;
  // How long Stop waits for the thread before it leaves it behind.
  int64_t stop_wait_ms = 300;
};

// What the prover did, for the verdict.
struct ProverReport {
  bool model_built = false;  // the model fit its size limits
  bool solver_ran = false;
  bool has_bound = false;  // the solver proved a lower bound
  bool optimal = false;    // it proved its best known grouping the best possible
  int64_t lower_bound = 0;
  int64_t best_score = 0;  // the best grouping the solver knows, in hundredths
};

class Prover {
 public:
  // Builds the model from the dealt grouping in the caller's thread.
  // REQUIRES: DealInitialAssignment has run; `board` outlives the call to Stop.
  Prover(const Problem& problem, const std::vector<Category>& categories, ProofBoard& board,
         ProverSettings settings);
  ~Prover();
  Prover(const Prover&) = delete;
  Prover& operator=(const Prover&) = delete;

  // Starts the thread (nothing to do when the model was not built).
  void Start();
  // Stops the solver and waits for the thread at most settings.stop_wait_ms; a thread that has
  // not ended by then is left behind and never touches the board again. Safe to call more than
  // once.
  void Stop();
  // The solver has been handed the model (it may have finished since).
  bool SolverStarted() const;
  // What the prover did up to Stop. REQUIRES: Stop has returned (or Start was never called).
  ProverReport Report() const;

  // Whether any prover's thread was left behind: the process should then end without running
  // its exit handlers, which such a thread may still use.
  static bool LeftBehind();

 private:
  struct Work;
  std::shared_ptr<Work> work_;
  bool started_ = false;
  bool stopped_ = false;
};

}  // namespace quorvale
