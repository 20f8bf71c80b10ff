// The status panel on the in-memory screen: gap dots, the worked and capped bars cell by cell,
// a best below the target, and the refresh rule of the search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/screen.h"
#include "console/status_panel.h"
#include "engine/panel_refresh.h"
#include "tests/support/fakes.h"

namespace quorvale {
namespace {

TEST(PanelFormulaTest, GapDotsAndDigitAllowance) {
  const int dots[][2] = {{-3, -3},  {40, 40},  {41, 40},  {50, 41},   {99, 45},
                         {100, 46}, {199, 46}, {999, 54}, {1000, 55}, {12345, 64}};
  for (const auto& [gap, count] : dots) EXPECT_EQ(GapDots(gap), count) << gap;
  EXPECT_EQ(DigitAllowance(-500) + DigitAllowance(99) + DigitAllowance(100), 1 + 1 + 2);
}

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
  ExpectCells(s, 17, 10, ".....<25>" + std::string(74, ' '), kMagentaOnGreen);
  EXPECT_EQ(s.At(0, 11).attribute, kMagentaOnGreen);  // the 75th space wraps past the row
  ExpectCells(s, 1, 23, "Search Time =  1 mins: 23 secs.", kWhiteOnGreen);
}

TEST(StatusPanelTest, CappedNegativeAndEqualBars) {
  Screen s;
  DrawStatusPanel(s, PanelValues{200000, 100.0f, 35000, 1, 2}, (125 * 60 + 7) * 1000);
  EXPECT_EQ(s.TextAt(1, 10, 99),
            "<100>" + std::string(47, '.') + "<350>" + std::string(36, '.') + "<2000>");
  EXPECT_EQ(s.At(0, 11).attribute, kMagentaOnGreen);  // and one space past the row's end
  EXPECT_EQ(s.TextAt(1, 23, 32), "Search Time = 125 mins:  7 secs.");
  // A best below the target asks for more spaces than the row has; they stop at its end and
  // leave the notices below alone.
  s.SetCursor(19, 18);
  s.Write("notice");
  DrawStatusPanel(s, PanelValues{-90000, 50.0f, -90000, 3, 9}, 0);
  EXPECT_EQ(s.TextAt(1, 10, 18), "<50><-900><-900>  ");
  EXPECT_EQ(s.TextAt(19, 18, 6), "notice");
  // A current below the best is shown as the best; equal scores give no dots.
  DrawStatusPanel(s, PanelValues{500, 5.0f, 900, 0, 18}, 0);
  EXPECT_EQ(s.RowText(10), " <5><5><5>" + std::string(90, ' '));
  EXPECT_EQ(s.TextAt(28, 8, 20), "<Best-So-Far>: 5.00 ");
  // Wide negative scores make a capped bar longer than its allowance: it ends at the row's end
  // and nothing of it lands on the row below.
  Screen wide;
  DrawStatusPanel(wide, PanelValues{-14800, -272.5f, -22400, 5, 9}, 0);
  EXPECT_EQ(wide.TextAt(1, 10, 99).substr(0, 6), "<-272>");
  EXPECT_EQ(wide.TextAt(1, 10, 99).substr(95), "<-14");
  EXPECT_EQ(wide.RowText(11), std::string(kScreenColumns, ' '));
  // A search past its plan shows its count alone, over the longer text and within the row.
  DrawStatusPanel(wide, PanelValues{0, 0.0f, 0, 99980, 99980}, 0);
  DrawStatusPanel(wide, PanelValues{0, 0.0f, 0, 1234567, 99980}, 0);
  EXPECT_EQ(wide.TextAt(68, 8, 32), "Scrambler Cycles: 1234567       ");
  EXPECT_EQ(wide.RowText(9), std::string(kScreenColumns, ' '));
}

TEST(PanelRefreshTest, DueOnlyAfterMoreThanFortyMilliseconds) {
  test::FakeClock clock(1000);
  PanelRefresh refresh(clock);
  refresh.Start();
  std::vector<int64_t> due;
  for (const int64_t now : {1040, 1041, 1081, 1082}) {
    clock.Set(now);
    if (const auto at = refresh.Due()) due.push_back(*at);
  }
  EXPECT_EQ(due, (std::vector<int64_t>{1041, 1082}));
}

}  // namespace
}  // namespace quorvale
