// The in-memory screen's cursor rules: wrapping, line ends, scrolling and UTF-8 decoding.
#include "console/screen.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvale {
namespace {

TEST(ScreenTest, WrapsAtColumn100AndObeysLineEnds) {
  Screen screen;
  screen.SetCursor(98, 3);
  screen.Write("abc\nde\rX");
  EXPECT_EQ(screen.TextAt(98, 3, 2), "ab");
  EXPECT_EQ(screen.TextAt(0, 4, 1), "c");
  EXPECT_EQ(screen.TextAt(0, 5, 2), "Xe");
  EXPECT_EQ(screen.cursor_column(), 1);
  EXPECT_EQ(screen.cursor_row(), 5);
}

TEST(ScreenTest, LineFeedOrWrapOnTheLastRowScrollsInTheCurrentColour) {
  Screen screen;
  screen.SetAttribute(0x2F);
  screen.SetCursor(0, 24);
  screen.Write("last");
  screen.SetAttribute(0x1E);
  screen.Write("\n");
  EXPECT_EQ(screen.At(0, 23), (Cell{U'l', 0x2F}));
  EXPECT_EQ(screen.At(0, 24), (Cell{U' ', 0x1E}));
  EXPECT_EQ(screen.At(99, 24), (Cell{U' ', 0x1E}));
  screen.SetCursor(99, 24);
  screen.Write("zy");
  EXPECT_EQ(screen.scroll_count(), 2u);
  EXPECT_EQ(screen.PlainText(), std::string(22, '\n') + "last\n" + std::string(99, ' ') + "z\ny\n");
}

TEST(ScreenTest, BoxCharactersTakeOneCellEachEvenWhenSplitAcrossWrites) {
  Screen screen;
  screen.Write("\xE2\x95\x94\xE2\x95\x97\xE2\x95\x9A\xE2\x95\x9D\xE2\x95\x90\xE2");
  screen.Write("\x95\x91!  ");
  const char32_t expected[] = {U'╔', U'╗', U'╚', U'╝', U'═', U'║', U'!'};
  for (int column = 0; column < 7; ++column) {
    EXPECT_EQ(screen.At(column, 0).character, expected[column]) << column;
  }
  EXPECT_EQ(screen.cursor_column(), 9);
  EXPECT_EQ(screen.PlainText(), "╔╗╚╝═║!\n" + std::string(24, '\n'));
}

}  // namespace
}  // namespace quorvale
