// What the inner steps of the search report to while they run: a chance to refresh the status
// panel after each exchange, and the question whether the user asked the program to stop.
#pragma once

#include "engine/problem.h"

namespace quorvale {

class SearchMonitor {
 public:
  virtual ~SearchMonitor() = default;
  // Called after every exchange of the descent, with Assignment and CurrentScore already
  // updated. GroupConflictTable and PersonConflict are brought up to date when the descent
  // returns: the fast descent may keep them in a working order of its own meanwhile.
  virtual void AfterExchange(const Problem& problem) = 0;
  // Polled between exchanges and between rows of a scan; true makes the descent return early.
  virtual bool StopRequested() = 0;
};

}  // namespace quorvale
