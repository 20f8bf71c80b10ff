// Pairwise-swap descent: exchanges the groups of two persons of equal type whenever that lowers
// CurrentScore, scanning the pairs in a fixed order until a whole scan finds no such exchange.
//
// Invariant: on entry (the caller's duty, by EvaluateAssignment) and on return,
// GroupConflictTable, PersonConflict and CurrentScore equal what EvaluateAssignment computes for
// the current Assignment; after every exchange, CurrentScore does. This rests on ConflictMatrix
// being symmetric with a zero diagonal: moving k from gk to gj and j from gj to gk adds
// M[r][k] - M[r][j] to every person's entry in column gj and the reverse in column gk, and
// changes no other column.
#pragma once

#include <cstdint>

#include "engine/engine.h"
#include "engine/kernels/exchange_gain.h"
#include "engine/problem.h"
#include "engine/search_monitor.h"

namespace quorvale {

// The amount by which CurrentScore falls when persons k < j exchange their groups.
// REQUIRES: the tables are up to date, Assignment[k] != Assignment[j].
inline int64_t SwapGain(const Problem& p, int k, int j) {
  const int32_t gk = p.Assignment[static_cast<size_t>(k)];
  const int32_t gj = p.Assignment[static_cast<size_t>(j)];
  const GroupTable& t = p.GroupConflictTable;
  return ExchangeGain(p.ConflictMatrix(k, j), t(k, gk), t(j, gj), t(k, gj), t(j, gk));
}

// Runs the descent with `engine` (the plain one when the problem has wishes beyond pairs).
// `monitor` may be null. Returns false when it stopped early
// because the monitor asked it to (the tables are then still consistent, at the last exchange
// made). The exchanges, their order and every table are the same as testing the pairs one by one.
bool SwapDescent(Problem& problem, const Engine& engine, SearchMonitor* monitor);

}  // namespace quorvale
