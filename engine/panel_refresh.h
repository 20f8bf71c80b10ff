// The status panel's refresh rule: inside the search the panel is shown again only when more
// than 40 ms have passed since it was last shown through this rule, because a drawing costs far
// more than an exchange.
#pragma once

#include <cstdint>
#include <optional>

#include "base/clock.h"

namespace quorvale {

class PanelRefresh {
 public:
  explicit PanelRefresh(Clock& clock) : clock_(clock) {}

  // Starts the rule's time from now (LastPanelTime).
  void Start() { last_panel_time_ = clock_.ElapsedMs(); }
  // The clock reading when it is more than 40 ms past the last due reading (which it then
  // becomes); nothing otherwise. A reading of exactly 40 ms past is not due.
  std::optional<int64_t> Due() { return DueAt(clock_.ElapsedMs()); }
  // The same for a reading `now` the caller has just taken.
  std::optional<int64_t> DueAt(int64_t now) {
    if (now <= last_panel_time_ + kRefreshMs) return std::nullopt;
    last_panel_time_ = now;
    return now;
  }

 private:
  static constexpr int64_t kRefreshMs = 40;

  Clock& clock_;
  int64_t last_panel_time_ = 0;
};

}  // namespace quorvale
