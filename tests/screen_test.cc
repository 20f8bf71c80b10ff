// The in-memory screen as data: its cursor rules, the set-up and the box frames; the status
// panel (gap dots, the worked and capped bars cell by cell, a best below the target) and its
// refresh rule; and the small terminal's form (the status line, and the screen's text without
// its drawing, wrapped to any width, with a line that the console wrapped read as one).
#include "console/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "console/box.h"
#include "console/compact_view.h"
#include "console/status_panel.h"
#include "engine/panel_refresh.h"
#include "tests/support/fakes.h"

namespace quorvale {
namespace {

TEST(ScreenTest, WrapsScrollsTakesUtf8AsOneCellThenSetsUpAndDrawsTheBoxes) {
  Screen screen;
  screen.SetAttribute(0x1E);
  screen.SetCursor(99, 24);
  screen.Write("zy\n");  // a wrap and a line feed on the last row each scroll in the colour
  EXPECT_EQ(screen.scroll_count(), 2u);
  EXPECT_EQ(screen.At(99, 24), (Cell{U' ', 0x1E}));
  screen.SetCursor(98, 3);
  screen.Write("abc\nde\rX");
  EXPECT_EQ(std::pair(screen.cursor_column(), screen.cursor_row()), std::pair(1, 5));
  screen.SetCursor(0, 0);
  screen.Write("\xE2\x95\x94\xE2\x95\x97\xE2\x95\x9A\xE2\x95\x9D\xE2\x95\x90\xE2");
  screen.Write("\x95\x91!  ");  // split inside a character; trailing spaces are not shown
  EXPECT_EQ(std::pair(screen.cursor_column(), screen.At(5, 0)), std::pair(9, Cell{U'║', 0x1E}));
  EXPECT_EQ(screen.PlainText(), "╔╗╚╝═║!\n\n\n" + std::string(98, ' ') + "ab\nc\nXe\n" +
                                    std::string(16, '\n') + std::string(99, ' ') + "z\ny\n\n");
  // SetUpConsole blanks all of that, homes and hides the cursor and sets the title.
  SetUpConsole(screen);
  EXPECT_EQ(std::pair(screen.cursor_column(), screen.cursor_row()), std::pair(0, 0));
  EXPECT_FALSE(screen.cursor_visible());
  EXPECT_EQ(screen.title(), "Welcome to Quorvalemixer.exe");
  screen.SetAttribute(0x1E);
  DrawBox(screen, 10, 5, 11, 8);
  DrawBox(screen, 20, 5, 24, 6);
  DrawBox(screen, 21, 12, 78, 14);
  DrawBox(screen, 17, 17, 82, 20);
  // The cursor ends after the last character drawn.
  EXPECT_EQ(std::pair(screen.cursor_column(), screen.cursor_row()), std::pair(83, 19));
  // Every frame cell in the colour in effect; every other cell still a blank white on green.
  for (int i = 0; i < kScreenRows * kScreenColumns; ++i) {
    const Cell cell = screen.At(i % kScreenColumns, i / kScreenColumns);
    ASSERT_EQ(cell.attribute, cell.character == U' ' ? kWhiteOnGreen : 0x1E) << i;
  }
  const auto line = [](int left, int right, const char* ends, const char* fill) {
    std::string out = std::string(left, ' ') + std::string(ends, 3);
    for (int column = left + 1; column < right; ++column) out += fill;
    return out + (ends + 3) + "\n";
  };
  const std::string side17 = line(17, 82, "║║", " ");
  EXPECT_EQ(screen.PlainText(), std::string(5, '\n') +
                                    "          ╔╗        ╔═══╗\n"
                                    "          ║║        ╚═══╝\n"
                                    "          ║║\n"
                                    "          ╚╝\n\n\n\n" +
                                    line(21, 78, "╔╗", "═") + line(21, 78, "║║", " ") +
                                    line(21, 78, "╚╝", "═") + "\n\n" + line(17, 82, "╔╗", "═") +
                                    side17 + side17 + line(17, 82, "╚╝", "═") + "\n\n\n\n");
}

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
