// Allocation of the problem tables.
#include "engine/problem.h"

#include <new>
#include <utility>

#include "base/format.h"
#include "engine/fast_tables.h"

namespace quorvale {

double ProblemBytes(const Parameters& params) {
  const double persons = static_cast<double>(params.PersonCount) + 1;
  const double groups = static_cast<double>(params.GroupCount) + 1;
  const double columns = static_cast<double>(params.ColumnCount);
  // The matrix, then per person: DataTable, the scrambler's list and six person arrays in 4-byte
  // cells, the row build's code and non-holder copy of each column (8 bytes) and the
  // scrambler's 12-byte entries; the group table with its padding, and the fast engine's
  // working arrays; up to kTypeOrderMaxPersons, the descent's type order with its matrix copy
  // and its own group table in that order.
  const double tables = persons * (persons * 2 + (columns + 3 + 6) * 4 + columns * 8 + 12);
  const double group_table =
      static_cast<double>(GroupTable::StrideFor(params.PersonCount)) * groups * 4;
  const double type_order = params.PersonCount <= kTypeOrderMaxPersons
                                ? TypeOrderBytes(params.PersonCount) + group_table
                                : 0;
  return tables + columns * 4 + group_table + type_order +
         FastTablesBytes(params.PersonCount, params.GroupCount);
}

Status AllocateProblem(const Parameters& params, Problem& problem, double memory_limit) {
  // Built aside and moved in once: `params` may be problem.params itself.
  Problem fresh;
  fresh.params = params;
  const auto persons = static_cast<size_t>(params.PersonCount) + 1;
  const auto columns = static_cast<size_t>(params.ColumnCount);

  bool ok = ProblemBytes(params) <= memory_limit && fresh.DataTable.Allocate(persons, columns) &&
            fresh.ConflictMatrix.Allocate(persons, persons) &&
            fresh.GroupConflictTable.Allocate(params.PersonCount, params.GroupCount);
  if (ok) {
    try {
      for (auto* table : {&fresh.Assignment, &fresh.PersonConflict, &fresh.BestAssignment,
                          &fresh.BestPersonConflict}) {
        table->assign(persons, 0);
      }
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (!ok) {
    const double bytes = ProblemBytes(params);
    Problem empty;
    empty.params = params;
    problem = std::move(empty);
    return Status::Error(StringPrintf(
        "Not enough memory for the tables of %d persons in %d groups with %d data columns: "
        "they need %.1f GiB.",
        problem.params.PersonCount, problem.params.GroupCount, problem.params.ColumnCount,
        bytes / (1u << 30)));
  }
  problem = std::move(fresh);
  return Status::Ok();
}

double ModelBytes(const Model& model) {
  const double bytes = ProblemBytes(model.params);
  if (model.Rounds <= 1) return bytes;
  const double persons = static_cast<double>(model.PersonCount()) + 1;
  const double groups = static_cast<double>(model.GroupCount()) + 1;
  const double rounds = model.Rounds;
  // A byte of meetings per pair; per round and person, 8-byte sums with every group, the group
  // lists, the tabu marks and three copies of the grouping (the best, the start, the loop's).
  return bytes + persons * persons + rounds * persons * (groups * 8 + 8 + 8 + 3 * 4);
}

Status LoadModel(Model&& model, Problem& problem, double memory_limit) {
  if (model.Rounds > 1 && ModelBytes(model) > memory_limit) {
    const double bytes = ModelBytes(model);
    problem = Problem();
    problem.params = model.params;
    return Status::Error(
        StringPrintf("Not enough memory for %d rounds of %d persons in %d groups: they need "
                     "%.1f GiB.",
                     model.Rounds, model.PersonCount(), model.GroupCount(), bytes / (1u << 30)));
  }
  if (Status status = AllocateProblem(model.params, problem, memory_limit); !status.ok()) {
    return status;
  }
  static_cast<Model&>(problem) = std::move(model);
  return Status::Ok();
}

}  // namespace quorvale
