// The count model as a MILP for CBC.
//
// Columns: n(q, g), the persons of profile q in group g (integer). For a category c of positive
// weight and a group g that can hold two or more of its members, z(c, g) >= C(h, 2) by the
// tangents z >= j h - j (j + 1) / 2 for j = 1 .. most - 1, which meet C(h, 2) at every integer h,
// so at an optimum z = C(h, 2) exactly. For a negative weight the pairs must not be
// over-counted, so h is chosen among its possible values by binaries y(c, g, j), j = 0 .. most,
// with sum y = 1 and sum j y = h; the objective takes C(j, 2) from the chosen one. Rows keep the
// profile sizes and each group's places per type, bound each category's pairs over all groups
// as ProvenBound does (which the relaxation would not see alone), and order interchangeable groups
// by SymmetryKey. Every objective coefficient is a whole number on whole-number columns, so CBC can
// prune with a cutoff one unit below the incumbent.
#include "proof/count_solver.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "CbcEventHandler.hpp"
#include "CbcModel.hpp"
#include "CbcStrategy.hpp"
#include "CoinMessageHandler.hpp"
#include "CoinPackedMatrix.hpp"
#include "CoinPackedVector.hpp"
#include "OsiClpSolverInterface.hpp"

namespace quorvale {

namespace {

int64_t Pairs(int64_t h) { return h * (h - 1) / 2; }

// The solver's messages would write over the screen.
class SilentHandler final : public CoinMessageHandler {
 public:
  SilentHandler() { setLogLevel(0); }
  int print() override { return 0; }
  CoinMessageHandler* clone() const override { return new SilentHandler(*this); }
};

// Tells CBC to stop at its next event once `stop` is set.
class StopHandler final : public CbcEventHandler {
 public:
  explicit StopHandler(const std::atomic<bool>& flag) : flag_(&flag) {}
  CbcAction event(CbcEvent) override {
    return flag_->load(std::memory_order_relaxed) ? stop : noAction;
  }
  CbcEventHandler* clone() const override { return new StopHandler(*this); }

 private:
  const std::atomic<bool>* flag_;
};

struct Milp {
  std::vector<double> lower, upper, objective;
  std::vector<bool> integer;
  CoinPackedMatrix rows{false, 0, 0};
  std::vector<double> row_lower, row_upper;
  // Per (category, group): the first z or y column, or -1.
  std::vector<int> term_column;
  // Per (buddy value, group): its alone column a, followed by its column b, or -1.
  std::vector<int> buddy_column;
  // Per column: branching priority, lower first.
  std::vector<int> priority;

  // Counts first, pair terms last; the per-count choices of packed categories go before both:
  // once they are fixed, what is left is spreading, where the relaxation is tight.
  enum Priority { kChoice = 1, kCount = 2, kPairs = 3 };
  int AddColumn(double lo, double up, double cost, Priority rank) {
    lower.push_back(lo);
    upper.push_back(up);
    objective.push_back(cost);
    integer.push_back(true);
    priority.push_back(rank);
    return static_cast<int>(lower.size()) - 1;
  }
  void AddRow(const CoinPackedVector& row, double lo, double up) {
    rows.appendRow(row);
    row_lower.push_back(lo);
    row_upper.push_back(up);
  }
};

// `order_twins`: the rows that order interchangeable groups, left out when counts are fixed
// group by group from outside.
Milp BuildMilp(const CountModel& m, bool order_twins) {
  Milp milp;
  const int groups = m.groups();
  const auto count_column = [&](size_t q, int g) { return static_cast<int>(q) * groups + g - 1; };
  for (size_t q = 0; q < m.profiles.size(); ++q) {
    for (int g = 1; g <= groups; ++g) {
      const auto& places = m.places.places[static_cast<size_t>(g)];
      const auto type = static_cast<size_t>(m.profiles[q].type_index);
      milp.AddColumn(0, std::min(m.profiles[q].persons, places[type]), 0, Milp::kCount);
    }
  }
  milp.rows.setDimensions(-1, static_cast<int>(milp.lower.size()));
  std::vector<std::pair<int, CoinPackedVector>> pending;  // rows that need the term columns
  milp.term_column.assign(m.categories.size() * static_cast<size_t>(groups), -1);
  for (size_t c = 0; c < m.categories.size(); ++c) {
    const CountCategory& category = m.categories[c];
    CoinPackedVector all_pairs;  // the category's pairs over all groups
    for (int g = 1; g <= groups; ++g) {
      const int most = m.MostMembers(c, g);
      if (most < 2) continue;
      CoinPackedVector members;  // h(c, g)
      for (const int32_t q : category.profiles)
        members.insert(count_column(static_cast<size_t>(q), g), 1.0);
      const auto w = static_cast<double>(category.unit_weight);
      size_t term = c * static_cast<size_t>(groups) + static_cast<size_t>(g - 1);
      if (category.unit_weight > 0) {
        const int z = milp.AddColumn(0, static_cast<double>(Pairs(most)), w, Milp::kPairs);
        milp.term_column[term] = z;
        all_pairs.insert(z, 1.0);
        milp.rows.setDimensions(-1, static_cast<int>(milp.lower.size()));
        for (int j = 1; j < most; ++j) {
          CoinPackedVector tangent;
          tangent.insert(z, 1.0);
          for (int k = 0; k < members.getNumElements(); ++k)
            tangent.insert(members.getIndices()[k], -j);
          milp.AddRow(tangent, -static_cast<double>(j) * (j + 1) / 2, COIN_DBL_MAX);
        }
      } else {
        CoinPackedVector one, chosen;
        for (int j = 0; j <= most; ++j) {
          const int y = milp.AddColumn(0, 1, w * static_cast<double>(Pairs(j)), Milp::kChoice);
          if (j == 0) milp.term_column[term] = y;
          if (j >= 2) all_pairs.insert(y, static_cast<double>(Pairs(j)));
          one.insert(y, 1.0);
          if (j > 0) chosen.insert(y, j);
        }
        milp.rows.setDimensions(-1, static_cast<int>(milp.lower.size()));
        milp.AddRow(one, 1, 1);
        for (int k = 0; k < members.getNumElements(); ++k)
          chosen.insert(members.getIndices()[k], -1.0);
        milp.AddRow(chosen, 0, 0);
      }
    }
    if (all_pairs.getNumElements() == 0) continue;
    const auto limit = static_cast<double>(category.pair_limit);
    if (category.unit_weight > 0) {
      milp.AddRow(all_pairs, limit, COIN_DBL_MAX);
    } else {
      milp.AddRow(all_pairs, -COIN_DBL_MAX, limit);
    }
  }
  // A buddy value's group with exactly one holder costs: with binaries a (alone) and b (two or
  // more), h <= a + most b and h >= 2 b, so h = 1 forces a = 1, and the optimum keeps a = 0
  // otherwise.
  milp.buddy_column.assign(m.buddies.size() * static_cast<size_t>(groups), -1);
  for (size_t b = 0; b < m.buddies.size(); ++b) {
    const CountBuddy& buddy = m.buddies[b];
    for (int g = 1; g <= groups; ++g) {
      const auto& places = m.places.places[static_cast<size_t>(g)];
      const int most = std::min(buddy.members, places[0] + places[1]);
      if (most < 1) continue;
      const int alone = milp.AddColumn(0, 1, static_cast<double>(buddy.unit_weight), Milp::kChoice);
      const int several = milp.AddColumn(0, 1, 0, Milp::kChoice);
      milp.buddy_column[b * static_cast<size_t>(groups) + static_cast<size_t>(g - 1)] = alone;
      milp.rows.setDimensions(-1, static_cast<int>(milp.lower.size()));
      CoinPackedVector upper, lower;
      for (const int32_t q : buddy.profiles) {
        upper.insert(count_column(static_cast<size_t>(q), g), 1.0);
        lower.insert(count_column(static_cast<size_t>(q), g), 1.0);
      }
      upper.insert(alone, -1.0);
      upper.insert(several, -static_cast<double>(most));
      milp.AddRow(upper, -COIN_DBL_MAX, 0);
      lower.insert(several, -2.0);
      milp.AddRow(lower, 0, COIN_DBL_MAX);
    }
  }
  for (size_t q = 0; q < m.profiles.size(); ++q) {
    CoinPackedVector row;
    for (int g = 1; g <= groups; ++g) row.insert(count_column(q, g), 1.0);
    milp.AddRow(row, m.profiles[q].persons, m.profiles[q].persons);
  }
  for (int g = 1; g <= groups; ++g) {
    for (int t = 0; t < 2; ++t) {
      CoinPackedVector row;
      for (size_t q = 0; q < m.profiles.size(); ++q) {
        if (m.profiles[q].type_index == t) row.insert(count_column(q, g), 1.0);
      }
      const double places = m.places.places[static_cast<size_t>(g)][static_cast<size_t>(t)];
      if (row.getNumElements() > 0) milp.AddRow(row, places, places);
    }
    if (const int before = m.twin_before[static_cast<size_t>(g)]; order_twins && before > 0) {
      CoinPackedVector row;  // key(before) - key(g) >= 0
      for (size_t q = 0; q < m.profiles.size(); ++q) {
        row.insert(count_column(q, before), static_cast<double>(q + 1));
        row.insert(count_column(q, g), -static_cast<double>(q + 1));
      }
      milp.AddRow(row, 0, COIN_DBL_MAX);
    }
  }
  return milp;
}

// The column values of a grouping given by its counts.
std::vector<double> SeedColumns(const CountModel& m, const Milp& milp,
                                const std::vector<int32_t>& counts) {
  std::vector<double> columns(milp.lower.size(), 0.0);
  const auto groups = static_cast<size_t>(m.groups());
  for (size_t k = 0; k < counts.size(); ++k) columns[k] = counts[k];
  for (size_t c = 0; c < m.categories.size(); ++c) {
    for (size_t g = 0; g < groups; ++g) {
      const int column = milp.term_column[c * groups + g];
      if (column < 0) continue;
      int64_t h = 0;
      for (const int32_t q : m.categories[c].profiles)
        h += counts[static_cast<size_t>(q) * groups + g];
      if (m.categories[c].unit_weight > 0) {
        columns[static_cast<size_t>(column)] = static_cast<double>(Pairs(h));
      } else {
        columns[static_cast<size_t>(column + h)] = 1.0;
      }
    }
  }
  for (size_t b = 0; b < m.buddies.size(); ++b) {
    for (size_t g = 0; g < groups; ++g) {
      const int column = milp.buddy_column[b * groups + g];
      if (column < 0) continue;
      int64_t h = 0;
      for (const int32_t q : m.buddies[b].profiles)
        h += counts[static_cast<size_t>(q) * groups + g];
      columns[static_cast<size_t>(column)] = h == 1 ? 1.0 : 0.0;
      columns[static_cast<size_t>(column) + 1] = h >= 2 ? 1.0 : 0.0;
    }
  }
  return columns;
}

// The MILP in a CLP solver, silent, its integer columns marked.
void LoadMilp(const Milp& milp, OsiClpSolverInterface& solver, SilentHandler& silent) {
  solver.passInMessageHandler(&silent);
  solver.getModelPtr()->passInMessageHandler(&silent);
  solver.loadProblem(milp.rows, milp.lower.data(), milp.upper.data(), milp.objective.data(),
                     milp.row_lower.data(), milp.row_upper.data());
  for (size_t k = 0; k < milp.integer.size(); ++k) solver.setInteger(static_cast<int>(k));
}

// CBC's limits, stop and strategy, and the first solve.
void SetUpSearch(const Milp& milp, CbcModel& model, SilentHandler& silent,
                 StopHandler& stop_handler, double seconds) {
  model.passInMessageHandler(&silent);
  model.setLogLevel(0);
  model.setUseElapsedTime(true);
  model.setMaximumSeconds(seconds);
  model.setMaximumNodes(kMaxSolverNodes);
  model.passInEventHandler(&stop_handler);
  // Cuts in the tree as well as at the root (CBC keeps a generator in the tree only while it
  // pays): the bound on these models closes through cuts far more than through branching.
  CbcStrategyDefault strategy(0, 5, 5);
  model.setStrategy(strategy);
  model.solver()->messageHandler()->setLogLevel(0);
  model.initialSolve();
  model.findIntegers(false);
  model.passInPriorities(milp.priority.data(), false);
}

}  // namespace

bool NothingBelowWithCounts(const CountModel& m, const std::vector<int32_t>& fixed_counts,
                            int64_t best_score, double seconds, const std::atomic<bool>& stop) {
  if (!m.built || stop.load() || seconds <= 0) return false;
  Milp milp = BuildMilp(m, false);
  for (size_t k = 0; k < fixed_counts.size(); ++k) {
    if (fixed_counts[k] < 0) continue;
    milp.lower[k] = milp.upper[k] = fixed_counts[k];
  }
  SilentHandler silent;
  OsiClpSolverInterface solver;
  LoadMilp(milp, solver, silent);
  solver.initialSolve();
  if (solver.isProvenPrimalInfeasible()) return true;  // the counts allow no grouping at all
  CbcModel model(solver);
  StopHandler stop_handler(stop);
  SetUpSearch(milp, model, silent, stop_handler, seconds);
  // Only a grouping at least one unit below the best is of interest.
  const int64_t best_units = (best_score - m.constant) / m.scale;
  model.setCutoff(static_cast<double>(best_units) - 0.5);
  if (stop.load()) return false;
  model.branchAndBound();
  // Finished (not stopped by a limit) without a grouping below the cutoff.
  return model.status() == 0 && !model.isAbandoned() && model.bestSolution() == nullptr;
}

CountSolution SolveCountModel(const CountModel& m, const std::vector<int32_t>& seed_counts,
                              double seconds, const std::atomic<bool>& stop) {
  CountSolution result;
  if (!m.built || stop.load()) return result;
  const Milp milp = BuildMilp(m, true);

  SilentHandler silent;
  OsiClpSolverInterface solver;
  LoadMilp(milp, solver, silent);
  CbcModel model(solver);
  StopHandler stop_handler(stop);
  SetUpSearch(milp, model, silent, stop_handler, seconds);
  if (!seed_counts.empty()) {
    const std::vector<double> seed = SeedColumns(m, milp, seed_counts);
    const int64_t units = (ScoreOfCounts(m, seed_counts) - m.constant) / m.scale;
    model.setBestSolution(seed.data(), static_cast<int>(seed.size()), static_cast<double>(units),
                          true);
  }
  if (!stop.load()) model.branchAndBound();

  const double* best = model.bestSolution();
  if (best != nullptr) {
    result.best_counts.assign(static_cast<size_t>(m.counts()), 0);
    for (size_t k = 0; k < result.best_counts.size(); ++k)
      result.best_counts[k] = static_cast<int32_t>(std::lround(best[k]));
    result.best_score = ScoreOfCounts(m, result.best_counts);
  }
  if (model.isProvenOptimal() && best != nullptr) {
    result.has_bound = result.optimal = true;
    result.lower_bound = result.best_score;
    return result;
  }
  // Cut short, the solver's best possible value bounds what its open nodes can still hold. Every
  // score is a whole number of units, so it may be rounded up, with a margin for the solver's
  // tolerances; without a proof it stays below the best known, as a proof would say otherwise.
  const double bound = model.getBestPossibleObjValue();
  if (model.getNodeCount() > 0 && std::isfinite(bound) && std::fabs(bound) < 1e15) {
    int64_t units = static_cast<int64_t>(std::ceil(bound - 1e-4));
    if (best != nullptr) units = std::min(units, (result.best_score - m.constant) / m.scale - 1);
    result.has_bound = true;
    result.lower_bound = m.constant + m.scale * units;
  }
  return result;
}

}  // namespace quorvale
