// What the search reports while it runs, for whoever shows it: the search draws nothing itself.
// The program's observer puts these events on the screen; tests record them.
#pragma once

#include <cstdint>
#include <string>

#include "base/panel_values.h"

namespace quorvale {

class SearchObserver {
 public:
  virtual ~SearchObserver() = default;
  // The status panel is due: more than 40 ms have passed since it was last shown, or the search
  // is closing or was stopped. `elapsed_ms` is the clock reading that made it due.
  virtual void PanelDue(const PanelValues& values, int64_t elapsed_ms) = 0;
  // The first interim save has succeeded: from now on the results file holds the best grouping
  // found so far. Reported once per search.
  virtual void InterimSavingOn() = 0;
  // A save failed; `reason` says why, in words for the user. The search goes on, and an interim
  // save is tried again at the next pass.
  virtual void SaveFailed(const std::string& reason) = 0;
  // A save succeeded after one that failed.
  virtual void SaveRecovered() = 0;
  // The search has ended on its own, at its target or with its plan spent; the final save
  // follows. Not reported when the search was stopped.
  virtual void Closing(bool target_reached) = 0;
  // The search has ended because its best score was proven the best possible, short of the
  // Target Score; the final save follows. Observers that do not tell it apart show a completion.
  virtual void ClosingProvenBest() { Closing(false); }
};

}  // namespace quorvale
