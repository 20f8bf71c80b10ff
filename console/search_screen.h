// The search's part of the screen: the progress line and the Target Score while the matrix is
// built, the live status panel, the interim notice, the rows of a failed save and the closing
// box. Every text, place and colour of the search screen is defined here.
#pragma once

#include <cstdint>
#include <string>

#include "base/panel_values.h"
#include "console/console.h"

namespace quorvale {

// Rows where a failed save is reported; they hide nothing of the panel or the notices.
inline constexpr int kSaveErrorRow = 15;

class SearchScreen {
 public:
  explicit SearchScreen(Console& console) : console_(console) {}

  // The progress line while the conflict matrix and the Target Score are computed.
  void ShowBuildingMatrix();
  // "Searching..." over the progress line, and the Target Score (in points).
  void ShowSearching(float target);
  // The status panel, with the search time from `elapsed_ms`.
  void ShowPanel(const PanelValues& values, int64_t elapsed_ms);
  // The boxed notice that interim saving has begun.
  void ShowInterimSavingOn();
  // Why a save failed, on the two save-error rows, broken at a space when it is long.
  void ShowSaveError(const std::string& reason);
  // Blanks the save-error rows.
  void ClearSaveError();
  // The closing box with the success or completion message.
  void ShowClosing(bool target_reached);
  // The closing box of a search that stopped because its best was proven the best possible.
  void ShowClosingProvenBest();

 private:
  void WriteSaveRows(const std::string& message);

  Console& console_;
};

}  // namespace quorvale
