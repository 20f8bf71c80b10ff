// The bytes the terminal console sends, read back from an in-memory file; and the stop signals
// of the real platform layer.
#include "console/terminal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <string>

#include "app/real_platform.h"
#include "app/stop_signal.h"
#include "console/box.h"
#include "console/status_panel.h"

namespace quorvale {
namespace {

// The bytes a terminal console writes into an in-memory file, read back as they come.
struct MemoryTerminal {
  std::string Take() {  // the bytes written since the last call
    std::string bytes(1 << 16, '\0');
    const ssize_t n = std::max<ssize_t>(pread(fd, bytes.data(), bytes.size(), read), 0);
    read += n;
    return bytes.substr(0, static_cast<size_t>(n));
  }
  ~MemoryTerminal() { close(fd); }
  int fd = memfd_create("terminal", 0);
  off_t read = 0;
};

TEST(TerminalConsoleTest, SendsOnlyChangedCellsInTheirColoursAsUtf8AndRestoresOnce) {
  MemoryTerminal out;
  TerminalConsole console(out.fd);
  SetUpConsole(console);
  out.Take();
  const std::pair<uint8_t, std::string> colours[] = {
      {0x1E, "93;44"}, {0x2E, "93;42"},  {0x2D, "95;42"}, {0x2B, "96;42"},
      {0x07, "37;40"}, {0xA0, "30;102"}, {0x2F, "97;42"}};
  for (const auto& [attribute, codes] : colours) {
    console.SetAttribute(attribute);
    console.SetCursor(3, 3);
    console.Write("x");
    console.Flush();
    EXPECT_EQ(out.Take(), "\x1b[4;4H\x1b[" + codes + "mx") << int{attribute};
  }
  DrawBox(console, 10, 2, 13, 4);
  console.Flush();
  EXPECT_EQ(out.Take(),
            "\x1b[3;11H\xE2\x95\x94\xE2\x95\x90\xE2\x95\x90\xE2\x95\x97"
            "\x1b[4;11H\xE2\x95\x91\x1b[4;14H\xE2\x95\x91"
            "\x1b[5;11H\xE2\x95\x9A\xE2\x95\x90\xE2\x95\x90\xE2\x95\x9D");
  // Drawn again unchanged, the box sends nothing; control characters never pass through.
  DrawBox(console, 10, 2, 13, 4);
  console.SetTitle("A\x1b]2;B\aC\nD\xC2\x9BZ\xC3\xA9");
  console.SetCursor(0, 5);
  console.Write("a\x1b[2Jb");
  console.Flush();
  EXPECT_EQ(out.Take(), "\x1b]0;A]2;BCDZ\xC3\xA9\a\x1b[6;1Ha?[2Jb");
  console.SetCursor(2, 2);
  console.Write("!");
  console.Restore();
  EXPECT_EQ(out.Take(), "\x1b[3;3H!\x1b[0m\x1b[?25h\x1b[25;1H\r\n\x1b[23;0t");
  console.Restore();
  EXPECT_EQ(out.Take(), "");
}

// What a terminal of the given size sees: the compact form below 100 x 25, with only changed
// lines rewritten and none reaching the last column; a resize repaints in the other form; no
// colour with NO_COLOR; the title saved and put back.
TEST(TerminalConsoleTest, SmallTerminalGetsTheCompactFormAndAResizeRepaints) {
  MemoryTerminal out;
  std::pair<int, int> size{40, 6};
  TerminalConsole console(out.fd, false, [&] { return size; });
  SetUpConsole(console);
  console.SetCursor(0, 6);
  console.Write(" Searching...");
  PanelValues values{2575, 12.34f, 2050, 7, 40};
  DrawStatusPanel(console, values, 83'000);
  EXPECT_TRUE(console.compact());
  const std::string first = out.Take();
  EXPECT_EQ(first,
            "\x1b[8;25;100t\x1b[22;0t\x1b]0;Welcome to Quorvalemixer.exe\a\x1b[?25l\x1b[H\x1b[2J"
            "\x1b[1;1HSearching...\x1b[K"
            "\x1b[2;1HBest 20.50  Current 25.75  Target 12.34\x1b[K"
            "\x1b[3;1HCycle 7 of 40  1:23\x1b[K");
  values.cycle = 8;
  DrawStatusPanel(console, values, 84'000);
  EXPECT_EQ(out.Take(), "\x1b[3;1HCycle 8 of 40  1:24\x1b[K");

  size = {100, 25};
  TerminalConsole::NoteResize();
  DrawStatusPanel(console, values, 84'000);
  EXPECT_FALSE(console.compact());
  const std::string full = out.Take();
  EXPECT_EQ(full.substr(0, 7), "\x1b[H\x1b[2J");
  EXPECT_NE(full.find("Scrambler Cycles: 8 of 40"), std::string::npos);
  EXPECT_FALSE(std::regex_search(full, std::regex("\x1b\\[[0-9;]*m"))) << "no colour attributes";

  size = {30, 3};
  TerminalConsole::NoteResize();
  DrawBox(console, 21, 12, 78, 14);
  console.SetCursor(26, 13);
  console.Write("Search completed: But Target Score not reached");
  console.Flush();
  // The lines nearest the end fit the three rows.
  EXPECT_EQ(out.Take(),
            "\x1b[H\x1b[2J\x1b[1;1H1:24\x1b[K\x1b[2;1HSearch completed: But Target\x1b[K"
            "\x1b[3;1HScore not reached\x1b[K");
  console.Restore();
  const std::string end = out.Take();
  EXPECT_EQ(end.substr(0, 7), "\x1b[H\x1b[2J");
  // At the end, the key lines of the whole screen, the panel's own included.
  EXPECT_NE(end.find("\r\n<Current>  Scrambler Cycles:\r\n8 of 40\r\n<12>........<20>"),
            std::string::npos)
      << end;
  EXPECT_EQ(end.substr(end.size() - 15), "\r\n\x1b[?25h\x1b[23;0t");
}

// A stop signal ends a sleep at once; a second one runs the hook and ends the process.
void WriteHookMark() {
  if (write(STDERR_FILENO, "hook ran", 8) != 8) _exit(3);
}
void SleepThroughTwoStopSignals() {
  InstallStopSignalHandlers();
  SetEmergencyRestoreHook(WriteHookMark);
  raise(SIGTERM);
  SteadyClock clock;
  if (TerminalPauser().Sleep(60000) || clock.ElapsedMs() > 5000 || StopSignal() != SIGTERM) {
    _exit(1);
  }
  raise(SIGTERM);
}

TEST(StopSignalDeathTest, FirstStopEndsASleepAndTheSecondEndsTheProcess) {
  EXPECT_EXIT(SleepThroughTwoStopSignals(), testing::ExitedWithCode(128 + SIGTERM), "hook ran");
}

}  // namespace
}  // namespace quorvale
