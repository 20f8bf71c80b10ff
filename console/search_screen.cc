// The search screen's texts and places.
#include "console/search_screen.h"

#include <string>

#include "base/format.h"
#include "console/box.h"
#include "console/status_panel.h"

namespace quorvale {

void SearchScreen::ShowBuildingMatrix() {
  console_.Write("\r Setting up Conflict Matrix and calculating Target Score...");
  console_.Write(std::string(20, ' '));
  console_.Flush();
}

void SearchScreen::ShowSearching(float target) {
  console_.SetCursor(1, 6);
  console_.Write("Searching...");
  console_.Write(std::string(66, ' '));
  console_.SetAttribute(kCyanOnGreen);
  console_.SetCursor(1, 8);
  console_.Write(StringPrintf("<Target Score>: %.2f", static_cast<double>(target)));
  console_.SetAttribute(kWhiteOnGreen);
  console_.Flush();
}

void SearchScreen::ShowPanel(const PanelValues& values, int64_t elapsed_ms) {
  DrawStatusPanel(console_, values, elapsed_ms);
}

void SearchScreen::ShowInterimSavingOn() {
  console_.SetAttribute(kWhiteOnGreen);
  DrawBox(console_, 17, 17, 82, 20);
  console_.SetCursor(19, 18);
  console_.Write("Interim (Best-So-Far) Results-Saving is now ON.  Stop search,");
  console_.SetCursor(19, 19);
  console_.Write("and use Best-So-Far solution, by closing this window any time.");
  console_.Flush();
}

void SearchScreen::ShowSaveError(const std::string& reason) {
  WriteSaveRows("Could not save the results: " + reason);
}

void SearchScreen::ClearSaveError() { WriteSaveRows(std::string()); }

void SearchScreen::WriteSaveRows(const std::string& message) {
  console_.SetAttribute(kWhiteOnGreen);
  // The reason comes after the path, so a long folder name must not push it off the screen:
  // the message goes on in the row below, broken at a space.
  const size_t width = kScreenColumns - 2;
  size_t cut = message.size();
  if (cut > width) {
    cut = message.rfind(' ', width);
    if (cut == std::string::npos || cut == 0) cut = width;
  }
  std::string first = message.substr(0, cut);
  std::string second = cut < message.size() ? message.substr(cut + (message[cut] == ' ')) : "";
  first.resize(width, ' ');
  second.resize(width, ' ');
  console_.SetCursor(1, kSaveErrorRow);
  console_.Write(first);
  console_.SetCursor(1, kSaveErrorRow + 1);
  console_.Write(second);
  console_.Flush();
}

void SearchScreen::ShowClosing(bool target_reached) {
  console_.SetCursor(0, 10);
  console_.SetAttribute(kWhiteOnGreen);
  DrawBox(console_, 21, 12, 78, 14);
  if (target_reached) {
    console_.SetCursor(24, 13);
    console_.Write("SUCCESS !! Target Score achieved & search terminated");
  } else {
    console_.SetCursor(26, 13);
    console_.Write("Search completed: But Target Score not reached");
  }
  console_.Flush();
}

void SearchScreen::ShowClosingProvenBest() {
  console_.SetCursor(0, 10);
  console_.SetAttribute(kWhiteOnGreen);
  DrawBox(console_, 21, 12, 78, 14);
  console_.SetCursor(24, 13);
  console_.Write("PROVEN !! Best possible score reached & search ended");
  console_.Flush();
}

}  // namespace quorvale
