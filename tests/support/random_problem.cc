// Random problem instances.
#include "tests/support/random_problem.h"

#include <random>
#include <stdexcept>

#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "engine/repeat_meetings.h"

namespace quorvale::test {

Problem RandomData(uint32_t seed, const RandomProblemShape& shape) {
  std::mt19937 rng(seed);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Parameters params;
  params.PersonCount = shape.persons;
  params.ColumnCount = shape.attribute_columns + 2;
  params.TypeMode = shape.type_mode;
  params.GroupCount = shape.groups;
  params.RunCount = 2;
  params.StagesPerRun = 2;
  params.FocusCycles = 2;
  params.SpreadCycles = 1;
  Problem p;
  if (!AllocateProblem(params, p).ok()) throw std::runtime_error("allocation failed");
  for (int col = 2; col < params.ColumnCount; ++col) {
    p.DataTable(0, col) = uniform(-shape.max_abs_weight, shape.max_abs_weight);
    // Few codes make shared and majority codes common.
    const int codes = uniform(1, std::max(1, shape.persons / 2));
    for (int i = 1; i <= shape.persons; ++i) p.DataTable(i, col) = uniform(-1, codes);
  }
  for (int i = 1; i <= shape.persons; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = shape.other_types && uniform(0, 9) == 0 ? 7 : uniform(1, 2);
    if (shape.types > 0) p.DataTable(i, 1) = 1 + (i * 7 + static_cast<int>(seed)) % shape.types;
  }
  return p;
}

Problem MakeRandomProblem(uint32_t seed, const RandomProblemShape& shape) {
  Problem p = RandomData(seed, shape);
  if (!BuildConflictMatrix(p).ok()) throw std::runtime_error("matrix failed");
  DealInitialAssignment(p);
  Engine engine(SupportedKernelLevel());
  SetUpStartValues(p, engine);
  return p;
}

void SearchInRounds(Problem& p, int32_t rounds, int32_t repeat_weight) {
  const int32_t plan = p.TotalCycles;
  p.Rounds = rounds;
  p.RepeatWeight = repeat_weight;
  p.TargetScore = ScheduleTargetScore(p, p.TargetScore);
  SetUpStartValues(p, Engine(SupportedKernelLevel()));
  p.TotalCycles = plan;
}

RandomProblemShape RandomShape(uint32_t seed, int max_persons) {
  std::mt19937 rng(seed ^ 0x9E3779B9u);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  RandomProblemShape shape;
  shape.persons = uniform(2, max_persons);
  shape.groups = uniform(1, shape.persons + 2);
  shape.attribute_columns = uniform(0, 4);
  shape.type_mode = uniform(1, 4);
  shape.other_types = uniform(0, 3) == 0;
  return shape;
}

}  // namespace quorvale::test
