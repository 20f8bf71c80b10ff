// A search strategy: the steps that improve a grouping, run by the run loop (engine/run_loop.h),
// which owns everything the strategies share: the best grouping so far and its ties, the panel's
// cadence, saving, the time limit, the last cycle, stop signals and the proof.
//
// A strategy works on a grouping of its own (the classic one on the Problem's Assignment, the deep
// one on its chains) and hands the loop each grouping it reaches after a descent. It never writes
// the best-so-far copies, the results or the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/search_monitor.h"

namespace quorvale {

// A grouping a strategy has reached, complete and with exact tables.
class Grouping {
 public:
  virtual ~Grouping() = default;
  virtual int64_t score() const = 0;
  // Copies each person's group (entries 1..N) and PersonConflict (entries 0..N).
  virtual void CopyInto(std::vector<int32_t>& assignment,
                        std::vector<int32_t>& conflicts) const = 0;
  // With rounds: copies every round's grouping (rows of entries 1..N). A single grouping has
  // none.
  virtual void CopyRoundsInto(std::vector<std::vector<int32_t>>&) const {}
};

// What a strategy's steps report to. Its SearchMonitor side serves the classic descent: a panel
// refresh after every exchange and the question whether to stop.
class StepHost : public SearchMonitor {
 public:
  // Polled during a long step with the score of the strategy's grouping at that moment: shows
  // the panel when due. False: the step must end at once (the grouping stays consistent).
  virtual bool Poll(int64_t current_score) = 0;
  // After every descent, with the grouping it reached; `finished` is false when the descent was
  // cut short by a stop. A better grouping, or an equal one, becomes the best so far. False: the
  // search ends now (stopped, target reached, proven best).
  virtual bool AfterStep(const Grouping& grouping, bool finished) = 0;
  // A grouping found beside the strategy's own steps (another thread's chain): it becomes the
  // best so far when it is strictly better.
  virtual void OfferBetter(const Grouping& grouping) = 0;
};

class Strategy {
 public:
  virtual ~Strategy() = default;
  // Runs cycle `cycle` (1, 2, ...). Returns false when the host ended the search during it.
  virtual bool RunCycle(int32_t cycle, StepHost& host) = 0;
  // After the last cycle, before the final save: hands over anything still outside the loop and
  // leaves the Problem's Assignment and tables describing the strategy's last grouping.
  virtual void Finish(StepHost& host) = 0;
};

}  // namespace quorvale
