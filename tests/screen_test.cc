// The in-memory screen's cursor rules, the screen set-up and the box frames, read back from the
// screen's cells.
#include "console/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "console/box.h"

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

}  // namespace
}  // namespace quorvale
