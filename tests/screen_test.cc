// The in-memory screen's cursor rules, the screen set-up and the box frames, read back from the
// screen's cells.
#include "console/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "console/box.h"

namespace quorvale {
namespace {

std::string Repeat(std::string_view text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

TEST(ScreenTest, WrapsAtColumn100ObeysLineEndsScrollsAndTakesUtf8AsOneCell) {
  Screen screen;
  screen.SetAttribute(0x1E);
  screen.SetCursor(99, 24);
  screen.Write("zy\n");  // a wrap and a line feed on the last row each scroll in the colour
  EXPECT_EQ(screen.scroll_count(), 2u);
  EXPECT_EQ(screen.At(0, 24), (Cell{U' ', 0x1E}));
  EXPECT_EQ(screen.At(99, 24), (Cell{U' ', 0x1E}));
  screen.SetCursor(98, 3);
  screen.Write("abc\nde\rX");
  EXPECT_EQ(std::pair(screen.cursor_column(), screen.cursor_row()), std::pair(1, 5));
  screen.SetCursor(0, 0);
  screen.Write("\xE2\x95\x94\xE2\x95\x97\xE2\x95\x9A\xE2\x95\x9D\xE2\x95\x90\xE2");
  screen.Write("\x95\x91!  ");  // split inside a character; trailing spaces are not shown
  EXPECT_EQ(screen.cursor_column(), 9);
  EXPECT_EQ(screen.At(5, 0), (Cell{U'║', 0x1E}));
  EXPECT_EQ(screen.PlainText(), "╔╗╚╝═║!\n\n\n" + std::string(98, ' ') + "ab\nc\nXe\n" +
                                    Repeat("\n", 16) + std::string(99, ' ') + "z\ny\n\n");
}

TEST(ScreenTest, SetUpConsoleThenTheNoticeAndDegenerateBoxes) {
  Screen screen;
  screen.SetCursor(40, 7);
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
  for (int row = 0; row < kScreenRows; ++row) {
    for (int column = 0; column < kScreenColumns; ++column) {
      const Cell cell = screen.At(column, row);
      ASSERT_EQ(cell.attribute, cell.character == U' ' ? kWhiteOnGreen : 0x1E) << column << row;
    }
  }
  const auto line = [](int left, int right, std::string_view ends, std::string_view fill) {
    return std::string(left, ' ') + std::string(ends.substr(0, 3)) +
           Repeat(fill, right - left - 1) + std::string(ends.substr(3)) + "\n";
  };
  EXPECT_EQ(screen.PlainText(), Repeat("\n", 5) +
                                    "          ╔╗        ╔═══╗\n"
                                    "          ║║        ╚═══╝\n"
                                    "          ║║\n"
                                    "          ╚╝\n\n\n\n" +
                                    line(21, 78, "╔╗", "═") + line(21, 78, "║║", " ") +
                                    line(21, 78, "╚╝", "═") + "\n\n" + line(17, 82, "╔╗", "═") +
                                    Repeat(line(17, 82, "║║", " "), 2) + line(17, 82, "╚╝", "═") +
                                    Repeat("\n", 4));
}

}  // namespace
}  // namespace quorvale
