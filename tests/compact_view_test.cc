// The small terminal's form as data: the status line, the text of a row without its drawing,
// wrapping to any width, and a line that the console wrapped read as one.
#include "console/compact_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/box.h"

namespace quorvale {
namespace {

TEST(CompactViewTest, StatusLineShowsTheScoresTheCycleAndTheTime) {
  EXPECT_EQ(StatusLine(PanelValues{2575, 12.34f, 2050, 7, 40}, 83'999),
            "Best 20.50  Current 25.75  Target 12.34  Cycle 7 of 40  1:23");
  // As on the panel, the best shown is never above the current score; minutes are not capped.
  EXPECT_EQ(StatusLine(PanelValues{-150, -4.5f, 300, 0, 3}, 7'500'000),
            "Best -1.50  Current -1.50  Target -4.50  Cycle 0 of 3  125:00");
}

TEST(CompactViewTest, KeyLinesDropTheDrawingAndFitTheWidth) {
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
  screen.Write("next");
  EXPECT_EQ(KeyText(screen, 2), "A  B  C?");
  EXPECT_EQ(KeyText(screen, 12), "");
  EXPECT_EQ(KeyTexts(screen)[8], "Scrambler Cycles: 300000 of 300000");
  EXPECT_EQ(KeyTexts(screen)[9], "next");
  EXPECT_EQ(KeyLines(screen, 30),
            (std::vector<std::string>{"A  B  C?", "Scrambler Cycles: 300000 of", "300000", "next",
                                      "Search completed: But Target", "Score not reached"}));
  for (size_t width : {1u, 7u, 30u, 79u}) {
    for (const std::string& line : KeyLines(screen, width)) {
      EXPECT_LE(line.size(), width) << line;
      EXPECT_FALSE(line.empty());
      EXPECT_NE(line.back(), ' ');
    }
  }
}

TEST(CompactViewTest, WrapsAtSpacesCountingCharactersNotBytes) {
  EXPECT_EQ(WrapLine("", 10), std::vector<std::string>{});
  EXPECT_EQ(WrapLine("/tmp/é/é/é/data.txt is bad", 12),
            (std::vector<std::string>{"/tmp/é/é/é/d", "ata.txt is", "bad"}));
  EXPECT_EQ(WrapLine("ab  cd", 3), (std::vector<std::string>{"ab", "cd"}));
}

}  // namespace
}  // namespace quorvale
