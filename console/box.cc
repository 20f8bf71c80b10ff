// Box drawing and the one-time screen set-up.
#include "console/box.h"

#include <string>

namespace quorvale {

namespace {

constexpr std::string_view kTopLeft = "\u2554";
constexpr std::string_view kTopRight = "\u2557";
constexpr std::string_view kBottomLeft = "\u255A";
constexpr std::string_view kBottomRight = "\u255D";
constexpr std::string_view kHorizontal = "\u2550";
constexpr std::string_view kVertical = "\u2551";

void PutAt(Console& console, int column, int row, std::string_view glyph) {
  console.SetCursor(column, row);
  console.Write(glyph);
}

}  // namespace

void DrawBox(Console& console, int left, int top, int right, int bottom) {
  PutAt(console, left, top, kTopLeft);
  PutAt(console, left, bottom, kBottomLeft);
  for (int x = left + 1; x < right; ++x) {
    PutAt(console, x, top, kHorizontal);
    PutAt(console, x, bottom, kHorizontal);
  }
  PutAt(console, right, top, kTopRight);
  PutAt(console, right, bottom, kBottomRight);
  for (int y = top + 1; y < bottom; ++y) {
    PutAt(console, left, y, kVertical);
    PutAt(console, right, y, kVertical);
  }
}

void SetUpConsole(Console& console) {
  console.SetWindowSize(kScreenColumns, kScreenRows);
  console.SetAttribute(kWhiteOnGreen);
  console.Write(std::string(kScreenCells, ' '));
  console.SetCursor(0, 0);
  console.SetCursorVisible(false);
  console.SetTitle("Welcome to Quorvalemixer.exe");
  console.Flush();
}

}  // namespace quorvale
