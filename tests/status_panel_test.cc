// The status panel drawn on the in-memory screen: gap dots, digit allowances, the worked and
// capped bars cell by cell, and the refresh rule.
#include <gtest/gtest.h>

#include <string>

#include "console/screen.h"
#include "console/status_panel.h"
#include "tests/support/fakes.h"
#include "tests/support/problem_text.h"

namespace quorvale {
namespace {

TEST(PanelFormulaTest, GapDotsAndDigitAllowance) {
  const std::pair<int, int> dots[] = {{40, 40},  {41, 40},  {49, 40},  {50, 41},   {99, 45},
                                      {100, 46}, {199, 46}, {999, 54}, {1000, 55}, {12345, 64}};
  for (const auto& [gap, count] : dots) EXPECT_EQ(GapDots(gap), count) << gap;
  EXPECT_EQ(GapDots(-3), -3);
  EXPECT_EQ(DigitAllowance(-500), 1);
  EXPECT_EQ(DigitAllowance(99), 1);
  EXPECT_EQ(DigitAllowance(100), 2);
  EXPECT_EQ(DigitAllowance(9999), 3);
}

// Checks `length` cells from (column, row) for text and colour.
void ExpectCells(const Screen& s, int column, int row, const std::string& text, uint8_t colour) {
  EXPECT_EQ(s.TextAt(column, row, static_cast<int>(text.size())), text) << "at " << column;
  for (int c = column; c < column + static_cast<int>(text.size()); ++c) {
    EXPECT_EQ(s.At(c, row).attribute, colour) << "colour at " << c << "," << row;
  }
}

TEST(StatusPanelTest, WorkedExampleCellByCell) {
  Screen s;
  DrawStatusPanel(s, PanelValues{2575, 12.34f, 2050, 7, 40}, 83000);
  ExpectCells(s, 28, 8, "<Best-So-Far>: 20.50     ", kYellowOnGreen);
  ExpectCells(s, 54, 8, "<Current>", kMagentaOnGreen);
  ExpectCells(s, 68, 8, "Scrambler Cycles: 7 of 40", kWhiteOnGreen);
  ExpectCells(s, 1, 10, "<12>", kCyanOnGreen);
  ExpectCells(s, 5, 10, "........<20>", kYellowOnGreen);
  ExpectCells(s, 17, 10, ".....<25>", kMagentaOnGreen);
  ExpectCells(s, 26, 10, std::string(74, ' '), kMagentaOnGreen);
  // The 75th space is one cell past the row's end: the console wraps it onto the next row.
  EXPECT_EQ(s.At(0, 11).attribute, kMagentaOnGreen);
  ExpectCells(s, 1, 23, "Search Time =  1 mins: 23 secs.", kWhiteOnGreen);
  EXPECT_EQ(s.attribute(), kWhiteOnGreen);
}

TEST(StatusPanelTest, FirstPanelOfTheSixPersonExample) {
  const Problem p = test::PreparedProblem(test::kExampleParameters, test::kExampleData);
  Screen s;
  DrawStatusPanel(
      s, PanelValues{p.CurrentScore, p.ShownTargetScore, p.CurrentScore, 0, p.TotalCycles}, 0);
  ExpectCells(s, 28, 8, "<Best-So-Far>: 1.00     ", kYellowOnGreen);
  ExpectCells(s, 68, 8, "Scrambler Cycles: 0 of 18", kWhiteOnGreen);
  ExpectCells(s, 1, 10, "<0>", kCyanOnGreen);
  ExpectCells(s, 4, 10, ".<1>", kYellowOnGreen);
  ExpectCells(s, 8, 10, "<1>", kMagentaOnGreen);
}

TEST(StatusPanelTest, CappedBarFitsTheRow) {
  Screen s;
  DrawStatusPanel(s, PanelValues{200000, 100.0f, 35000, 1, 2}, 0);
  const std::string bar =
      "<100>" + std::string(47, '.') + "<350>" + std::string(36, '.') + "<2000>";
  EXPECT_EQ(s.TextAt(1, 10, static_cast<int>(bar.size())), bar);
  EXPECT_EQ(bar.size() + 1, 100u);  // and one space, ending one cell past the row
  EXPECT_EQ(s.At(0, 11).attribute, kMagentaOnGreen);
}

TEST(StatusPanelTest, EqualScoresAndACurrentBelowTheBest) {
  Screen s;
  s.SetAttribute(kWhiteOnGreen);
  s.SetCursor(1, 10);
  s.Write(std::string(97, 'x'));  // a longer bar from before
  DrawStatusPanel(s, PanelValues{500, 5.0f, 500, 0, 18}, 0);
  EXPECT_EQ(s.RowText(10), " <5><5><5>" + std::string(90, ' '));
  // A current score below the best is shown as the best, and BestScore itself is not touched.
  DrawStatusPanel(s, PanelValues{900, 5.0f, 1200, 0, 18}, 0);
  EXPECT_EQ(s.TextAt(28, 8, 20), "<Best-So-Far>: 9.00 ");
  EXPECT_EQ(s.TextAt(1, 10, 17), "<5>....<9><9>    ");
}

TEST(StatusPanelTest, BestBelowTargetDoesNotRunOverTheRowsBelow) {
  Screen s;
  s.SetAttribute(kWhiteOnGreen);
  s.SetCursor(19, 18);
  s.Write("notice");
  DrawStatusPanel(s, PanelValues{-90000, 50.0f, -90000, 3, 9}, 0);
  EXPECT_EQ(s.TextAt(1, 10, 18), "<50><-900><-900>  ");
  EXPECT_EQ(s.TextAt(19, 18, 6), "notice");
  EXPECT_EQ(s.At(1, 11).character, U' ');
}

TEST(StatusPanelTest, MinutesAreNotLimited) {
  Screen s;
  DrawStatusPanel(s, PanelValues{0, 0.0f, 0, 0, 0}, (125 * 60 + 7) * 1000 + 999);
  EXPECT_EQ(s.TextAt(1, 23, 32), "Search Time = 125 mins:  7 secs.");
}

TEST(StatusPanelTest, RefreshesOnlyAfterMoreThanFortyMilliseconds) {
  Screen s;
  test::FakeClock clock(1000);
  StatusPanel panel(s, clock);
  panel.StartRefreshClock();
  clock.Set(1040);
  panel.RefreshIfDue(PanelValues{100, 0.0f, 100, 3, 9});
  EXPECT_EQ(s.TextAt(68, 8, 5), "     ");  // exactly 40 ms: no drawing
  clock.Set(1041);
  panel.RefreshIfDue(PanelValues{100, 0.0f, 100, 3, 9});
  EXPECT_EQ(s.TextAt(68, 8, 24), "Scrambler Cycles: 3 of 9");
  clock.Set(1081);
  panel.RefreshIfDue(PanelValues{100, 0.0f, 100, 4, 9});
  EXPECT_EQ(s.TextAt(68, 8, 24), "Scrambler Cycles: 3 of 9");  // 40 ms after the last drawing
}

}  // namespace
}  // namespace quorvale
