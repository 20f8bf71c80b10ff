// The screen for a terminal smaller than 100 x 25: its text without the drawing, and the status
// panel as one line. Pure functions of the in-memory screen, so the terminal's small form is
// tested as data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/screen.h"
#include "console/status_panel.h"

namespace quorvale {

// The rows the status panel draws on: the scores and cycle count, the score bar, the time.
inline constexpr int kPanelScoreRow = 8;
inline constexpr int kPanelBarRow = 10;
inline constexpr int kPanelTimeRow = 23;

// The panel's values in one line: "Best 20.50  Current 25.75  Target 12.34  Cycle 7 of 40
// 1:23" (minutes and seconds). The best shown is never above the current score, as on the panel.
std::string StatusLine(const PanelValues& values, int64_t elapsed_ms);

// The text of row `row`: box characters dropped, runs of spaces cut to two, no spaces at either
// end; empty for a row with nothing to read.
std::string KeyText(const Screen& screen, int row);

// KeyText of every row, except that a row whose text ran on past the last column into the next
// row takes that row's first word, as the console wrapped it; the next row keeps the rest.
std::vector<std::string> KeyTexts(const Screen& screen);

// Breaks `text` into lines of at most `width` characters (not bytes), at spaces where it can.
// An empty text gives no lines.
std::vector<std::string> WrapLine(const std::string& text, size_t width);

// The key texts of all rows that have some, wrapped to `width`, top to bottom.
std::vector<std::string> KeyLines(const Screen& screen, size_t width);

}  // namespace quorvale
