// An in-memory console of 100 x 25 cells with a console's cursor rules. It is the screen the
// program draws on when its output is not a terminal, the model that the terminal renders from,
// and what the tests read placed texts and colours from.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "console/console.h"

namespace quorvale {

struct Cell {
  char32_t character = U' ';
  uint8_t attribute = 0x07;
  bool operator==(const Cell&) const = default;
};

class Screen : public Console {
 public:
  Screen();

  void SetWindowSize(int columns, int rows) override;
  void SetCursor(int column, int row) override;
  void SetAttribute(uint8_t attribute) override;
  void SetCursorVisible(bool visible) override { cursor_visible_ = visible; }
  void SetTitle(std::string_view title) override { title_ = std::string(title); }
  void Write(std::string_view text) override;
  void Flush() override {}

  const Cell& At(int column, int row) const { return cells_[Index(column, row)]; }
  // The characters of one row as UTF-8, all 100 of them.
  std::string RowText(int row) const;
  // `length` characters of `row` from `column` on, as UTF-8.
  std::string TextAt(int column, int row, int length) const;
  // The whole screen as 25 lines of text without trailing spaces, each ended by "\n".
  std::string PlainText() const;

  int cursor_column() const { return column_; }
  int cursor_row() const { return row_; }
  uint8_t attribute() const { return attribute_; }
  bool cursor_visible() const { return cursor_visible_; }
  const std::string& title() const { return title_; }
  // Counts rows scrolled off the top, so callers can tell when a whole redraw is needed.
  uint64_t scroll_count() const { return scroll_count_; }

 private:
  static size_t Index(int column, int row) {
    return static_cast<size_t>(row) * kScreenColumns + static_cast<size_t>(column);
  }
  void Put(char32_t character);
  void LineFeed();

  std::array<Cell, kScreenCells> cells_{};
  int column_ = 0;
  int row_ = 0;
  uint8_t attribute_ = 0x07;
  bool cursor_visible_ = true;
  std::string title_;
  uint64_t scroll_count_ = 0;
  // Bytes of a UTF-8 sequence split across two writes.
  std::string pending_;
};

// Appends the UTF-8 encoding of `character` to `out`.
void AppendUtf8(char32_t character, std::string& out);

}  // namespace quorvale
