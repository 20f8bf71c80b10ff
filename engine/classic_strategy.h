// The classic strategy: scrambler cycles. Each cycle makes one pass per dealt person type (two, one
// under TypeMode 3, or the balance types): a scramble
// of that type's persons in conflict (and, in spread cycles, of some others) or, at the start of
// runs 6, 11, 16, ..., a return to the best grouping; then an evaluation and the swap descent.
// The schedule of the scramble rates is engine/search_schedule.h.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/problem.h"
#include "engine/random.h"
#include "engine/strategy.h"

namespace quorvale {

class ClassicStrategy final : public Strategy {
 public:
  // Works on the Problem's own grouping and tables. REQUIRES: they are current (the start values
  // or a finished descent).
  ClassicStrategy(Problem& problem, const Engine& engine, uint32_t seed);

  bool RunCycle(int32_t cycle, StepHost& host) override;
  void Finish(StepHost&) override {}

 private:
  // One pass of `cycle` for the persons of `type`. Returns false when the host ended the search.
  bool Pass(int32_t cycle, int32_t type, StepHost& host);

  Problem& p_;
  const Engine& engine_;
  Lcg15 random_;
  std::vector<int32_t> before_;  // the grouping before the pass's scramble
};

}  // namespace quorvale
