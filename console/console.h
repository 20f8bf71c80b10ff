// The console the program draws on: a fixed screen of 100 x 25 cells, each a character and a
// colour attribute. The terminal and the in-memory screen implement it; the engine and the driver
// only ever talk to this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvale {

inline constexpr int kScreenColumns = 100;
inline constexpr int kScreenRows = 25;
inline constexpr size_t kScreenCells = size_t{kScreenColumns} * kScreenRows;

// Colour attributes: background in the high nibble, foreground in the low one; in each nibble
// bit 0 is blue, bit 1 green, bit 2 red and bit 3 intensity.
inline constexpr uint8_t kWhiteOnGreen = 0x2F;
inline constexpr uint8_t kYellowOnGreen = 0x2E;
inline constexpr uint8_t kMagentaOnGreen = 0x2D;
inline constexpr uint8_t kCyanOnGreen = 0x2B;

struct PanelValues;

class Console {
 public:
  virtual ~Console() = default;

  // Sizes the visible window (where the device can).
  virtual void SetWindowSize(int columns, int rows) = 0;
  // Where the next character goes; (0, 0) is the top-left cell.
  virtual void SetCursor(int column, int row) = 0;
  // Colour of everything written afterwards.
  virtual void SetAttribute(uint8_t attribute) = 0;
  virtual void SetCursorVisible(bool visible) = 0;
  virtual void SetTitle(std::string_view title) = 0;
  // UTF-8 text. Wraps at column 100; "\n" goes to column 0 of the next row and "\r" to column 0
  // of the same row; moving past the last row scrolls the screen up by one row.
  virtual void Write(std::string_view text) = 0;
  // Makes everything written so far visible. Callers flush after each drawing and before any
  // sleep or key wait.
  virtual void Flush() = 0;
  // Told the panel's values each time the status panel is drawn, just before its flush, for a
  // console that shows them in another form (a terminal too small for the screen).
  virtual void ShowPanel(const PanelValues& /*values*/, int64_t /*elapsed_ms*/) {}
};

}  // namespace quorvale
