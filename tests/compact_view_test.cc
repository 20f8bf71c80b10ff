// The small terminal's form as data: the status line, and the screen's text without its drawing,
// wrapped to any width, with a line that the console wrapped read as one.
#include "console/compact_view.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "console/box.h"

namespace quorvale {
namespace {

TEST(CompactViewTest, StatusLineAndKeyLines) {
  // As on the panel, the best shown is never above the current score; minutes are not capped.
  EXPECT_EQ(StatusLine(PanelValues{-150, -4.5f, 300, 0, 3}, 7'500'999),
            "Best -1.50  Current -1.50  Target -4.50  Cycle 0 of 3  125:00");
  Screen screen;
  SetUpConsole(screen);
  screen.SetCursor(0, 2);
  screen.Write("   A     B  C\x1b");
  DrawBox(screen, 21, 12, 78, 14);
  screen.SetCursor(26, 13);
  screen.Write("Search completed: But Target Score not reached");
  screen.SetCursor(68, 8);
  screen.Write("Scrambler Cycles: 300000 of 300000");  // runs on into row 9
  screen.SetCursor(5, 9);
  screen.Write("é next");
  EXPECT_EQ(KeyLines(screen, 30),
            (std::vector<std::string>{"A  B  C?", "Scrambler Cycles: 300000 of", "300000", "é next",
                                      "Search completed: But Target", "Score not reached"}));
  // Width counts characters, not bytes.
  const std::vector<std::string> narrow = KeyLines(screen, 4);
  const auto e = std::find(narrow.begin(), narrow.end(), "é");
  ASSERT_NE(e, narrow.end());
  EXPECT_EQ(*(e + 1), "next");
}

}  // namespace
}  // namespace quorvale
