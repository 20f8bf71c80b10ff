// Screen set-up and box frames, checked cell by cell on the in-memory screen.
#include "console/box.h"

#include <gtest/gtest.h>

#include <string>

#include "console/screen.h"

namespace quorvale {
namespace {

TEST(BoxTest, SetUpConsoleLeavesABlankGreenScreenAndAHiddenCursor) {
  Screen screen;
  screen.SetCursor(40, 7);
  SetUpConsole(screen);
  for (int row = 0; row < kScreenRows; ++row) {
    for (int column = 0; column < kScreenColumns; ++column) {
      ASSERT_EQ(screen.At(column, row), (Cell{U' ', kWhiteOnGreen})) << column << "," << row;
    }
  }
  EXPECT_EQ(screen.cursor_column() + screen.cursor_row(), 0);
  EXPECT_FALSE(screen.cursor_visible());
  EXPECT_EQ(screen.title(), "Welcome to Quorvalemixer.exe");
}

TEST(BoxTest, NarrowAndFlatBoxesHaveNoEdgeCellsBetweenTheirCorners) {
  Screen screen;
  DrawBox(screen, 10, 5, 11, 8);
  DrawBox(screen, 20, 5, 24, 6);
  EXPECT_EQ(screen.PlainText(), std::string(5, '\n') +
                                    "          ╔╗        ╔═══╗\n"
                                    "          ║║        ╚═══╝\n"
                                    "          ║║\n"
                                    "          ╚╝\n" +
                                    std::string(16, '\n'));
}

// The two notice boxes: every cell is the expected frame cell in white on green, or untouched.
TEST(BoxTest, NoticeBoxesHaveTheirEdgesExactlyWhereExpected) {
  struct Box {
    int left, top, right, bottom, first_edge_column, last_edge_column, first_side, last_side;
  };
  for (const Box& b : {Box{17, 17, 82, 20, 18, 81, 18, 19}, Box{21, 12, 78, 14, 22, 77, 13, 13}}) {
    Screen screen;
    screen.SetAttribute(kWhiteOnGreen);
    DrawBox(screen, b.left, b.top, b.right, b.bottom);
    for (int row = 0; row < kScreenRows; ++row) {
      for (int column = 0; column < kScreenColumns; ++column) {
        const bool top = row == b.top, bottom = row == b.bottom;
        const bool left = column == b.left, right = column == b.right;
        char32_t expected = U' ';
        if (top) expected = left ? U'╔' : right ? U'╗' : expected;
        if (bottom) expected = left ? U'╚' : right ? U'╝' : expected;
        if ((top || bottom) && column >= b.first_edge_column && column <= b.last_edge_column) {
          expected = U'═';
        }
        if ((left || right) && row >= b.first_side && row <= b.last_side) expected = U'║';
        ASSERT_EQ(screen.At(column, row),
                  (Cell{expected, static_cast<uint8_t>(expected == U' ' ? 0x07 : 0x2F)}))
            << b.left << ": " << column << "," << row;
      }
    }
    // The cursor ends after the last character drawn, the right edge of the last side row.
    EXPECT_EQ(screen.cursor_column(), b.right + 1);
    EXPECT_EQ(screen.cursor_row(), b.last_side);
  }
}

}  // namespace
}  // namespace quorvale
