// Puts the search's events on the search screen: the link between the engine, which reports, and
// the console, which draws.
#pragma once

#include <cstdint>
#include <string>

#include "console/search_screen.h"
#include "engine/search_observer.h"

namespace quorvale {

class ScreenObserver final : public SearchObserver {
 public:
  explicit ScreenObserver(SearchScreen& screen) : screen_(screen) {}

  void PanelDue(const PanelValues& values, int64_t elapsed_ms) override {
    screen_.ShowPanel(values, elapsed_ms);
  }
  void InterimSavingOn() override { screen_.ShowInterimSavingOn(); }
  void SaveFailed(const std::string& reason) override { screen_.ShowSaveError(reason); }
  void SaveRecovered() override { screen_.ClearSaveError(); }
  void Closing(bool target_reached) override { screen_.ShowClosing(target_reached); }
  void ClosingProvenBest() override { screen_.ShowClosingProvenBest(); }

 private:
  SearchScreen& screen_;
};

}  // namespace quorvale
