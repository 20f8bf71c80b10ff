// The rounds strategy's cycles.
#include "engine/rounds_strategy.h"

#include <algorithm>

#include "engine/initial_assignment.h"

namespace quorvale {

namespace {

// Exchange gains a cycle computes: about a millisecond.
constexpr int64_t kCycleWork = int64_t{1} << 18;

// The search's best schedule, as the loop takes it: its first round stands for it in the
// best-so-far copies of one grouping. `members` is scratch, one list per group.
class BestSchedule final : public Grouping {
 public:
  BestSchedule(const Problem& p, const RoundsTabu& tabu, std::vector<std::vector<int32_t>>& members)
      : p_(p), tabu_(tabu), members_(members) {}
  int64_t score() const override { return tabu_.best_score(); }
  void CopyInto(std::vector<int32_t>& assignment, std::vector<int32_t>& conflicts) const override {
    const std::vector<int32_t>& first = tabu_.best().front();
    std::copy(first.begin() + 1, first.end(), assignment.begin() + 1);
    // The pair weights of each person with its group's members in that round.
    members_.resize(static_cast<size_t>(p_.GroupCount()) + 1);
    for (std::vector<int32_t>& group : members_) group.clear();
    for (int32_t x = 1; x <= p_.PersonCount(); ++x) {
      members_[static_cast<size_t>(first[static_cast<size_t>(x)])].push_back(x);
    }
    for (int32_t x = 1; x <= p_.PersonCount(); ++x) {
      const int16_t* row = p_.ConflictMatrix.Row(x);
      int32_t sum = 0;
      for (const int32_t m : members_[static_cast<size_t>(first[static_cast<size_t>(x)])]) {
        sum += row[m];
      }
      conflicts[static_cast<size_t>(x)] = sum;
    }
  }
  void CopyRoundsInto(std::vector<std::vector<int32_t>>& rounds) const override {
    rounds = tabu_.best();
  }

 private:
  const Problem& p_;
  const RoundsTabu& tabu_;
  std::vector<std::vector<int32_t>>& members_;
};

}  // namespace

RoundsStrategy::RoundsStrategy(Problem& problem, const Engine& engine, uint32_t seed)
    : p_(problem), engine_(engine), tabu_(problem, SplitMix64(seed).Next()) {
  tabu_.Load(p_.BestRounds);
}

bool RoundsStrategy::RunCycle(int32_t, StepHost& host) {
  const bool finished =
      tabu_.Run(kCycleWork, p_.TargetScore, [&](int64_t score) { return host.Poll(score); });
  return host.AfterStep(BestSchedule(p_, tabu_, members_), finished);
}

void RoundsStrategy::Finish(StepHost&) {
  p_.Assignment = tabu_.current().groupings().front();
  EvaluateAssignment(p_, engine_);
  p_.CurrentScore = tabu_.current().score();
}

}  // namespace quorvale
