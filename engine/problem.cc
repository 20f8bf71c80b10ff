// Allocation of the problem tables.
#include "engine/problem.h"

#include <new>

#include "console/format.h"

namespace quorvale {

Status AllocateProblem(const Parameters& params, Problem& problem) {
  problem = Problem{};
  problem.params = params;
  problem.PersonCount = params.PersonCount;
  problem.ColumnCount = params.ColumnCount;
  problem.GroupCount = params.GroupCount;
  const auto persons = static_cast<size_t>(params.PersonCount) + 1;
  const auto columns = static_cast<size_t>(params.ColumnCount);
  const auto groups = static_cast<size_t>(params.GroupCount) + 1;

  bool ok = problem.DataTable.Allocate(persons, columns) &&
            problem.ConflictMatrix.Allocate(persons, persons) &&
            problem.ShuffleList.Allocate(persons, 3) &&
            problem.GroupConflictTable.Allocate(persons, groups);
  if (ok) {
    try {
      for (auto* table :
           {&problem.Assignment, &problem.PersonConflict, &problem.BestAssignment,
            &problem.BestPersonConflict, &problem.CodeHistogram, &problem.NonHolderFlags}) {
        table->assign(persons, 0);
      }
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (!ok) {
    const Parameters kept = params;
    problem = Problem{};
    problem.params = kept;
    return Status::Error(StringPrintf(
        "Not enough memory for the tables of %d persons in %d groups with %d data columns "
        "(the pair table alone needs %.1f GiB).",
        params.PersonCount, params.GroupCount, params.ColumnCount,
        static_cast<double>(persons) * static_cast<double>(persons) * 2.0 / (1u << 30)));
  }
  return Status::Ok();
}

}  // namespace quorvale
