// The bytes the terminal console sends, read back from an in-memory file; and the stop signals
// of the real platform layer.
#include "console/terminal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "app/real_platform.h"
#include "app/stop_signal.h"
#include "console/box.h"

namespace quorvale {
namespace {

TEST(TerminalConsoleTest, SendsOnlyChangedCellsInTheirColoursAsUtf8AndRestoresOnce) {
  const int fd = memfd_create("terminal", 0);
  off_t read = 0;
  const auto take_output = [&] {  // the bytes written since the last call
    std::string bytes(1 << 16, '\0');
    const ssize_t n = pread(fd, bytes.data(), bytes.size(), read);
    read += std::max<ssize_t>(n, 0);
    return bytes.substr(0, static_cast<size_t>(std::max<ssize_t>(n, 0)));
  };
  TerminalConsole console(fd);
  SetUpConsole(console);
  take_output();
  const std::pair<uint8_t, std::string> colours[] = {
      {0x1E, "93;44"}, {0x2E, "93;42"},  {0x2D, "95;42"}, {0x2B, "96;42"},
      {0x07, "37;40"}, {0xA0, "30;102"}, {0x2F, "97;42"}};
  for (const auto& [attribute, codes] : colours) {
    console.SetAttribute(attribute);
    console.SetCursor(3, 3);
    console.Write("x");
    console.Flush();
    EXPECT_EQ(take_output(), "\x1b[4;4H\x1b[" + codes + "mx") << int{attribute};
  }
  DrawBox(console, 10, 2, 13, 4);
  console.Flush();
  EXPECT_EQ(take_output(),
            "\x1b[3;11H\xE2\x95\x94\xE2\x95\x90\xE2\x95\x90\xE2\x95\x97"
            "\x1b[4;11H\xE2\x95\x91\x1b[4;14H\xE2\x95\x91"
            "\x1b[5;11H\xE2\x95\x9A\xE2\x95\x90\xE2\x95\x90\xE2\x95\x9D");
  // Drawn again unchanged, the box sends nothing; control characters never pass through.
  DrawBox(console, 10, 2, 13, 4);
  console.SetTitle("A\x1b]2;B\aC\nD\xC2\x9BZ\xC3\xA9");
  console.SetCursor(0, 5);
  console.Write("a\x1b[2Jb");
  console.Flush();
  EXPECT_EQ(take_output(), "\x1b]0;A]2;BCDZ\xC3\xA9\a\x1b[6;1Ha?[2Jb");
  console.SetCursor(2, 2);
  console.Write("!");
  console.Restore();
  EXPECT_EQ(take_output(), "\x1b[3;3H!\x1b[0m\x1b[?25h\x1b[25;1H\r\n\x1b[23;0t");
  console.Restore();
  EXPECT_EQ(take_output(), "");
  close(fd);
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
