// The bytes the terminal console sends, read back from an in-memory file; and the stop signals
// of the real platform layer.
#include "console/terminal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/real_platform.h"
#include "app/stop_signal.h"
#include "console/box.h"

namespace quorvale {
namespace {

class TerminalConsoleTest : public testing::Test {
 protected:
  TerminalConsoleTest() : fd_(memfd_create("terminal", 0)), console_(fd_) {}
  ~TerminalConsoleTest() override { close(fd_); }

  // The bytes written since the last call.
  std::string TakeOutput() {
    struct stat file;
    fstat(fd_, &file);
    std::string bytes(static_cast<size_t>(file.st_size - read_), '\0');
    EXPECT_EQ(pread(fd_, bytes.data(), bytes.size(), read_), static_cast<ssize_t>(bytes.size()));
    read_ = file.st_size;
    return bytes;
  }
  int fd_;
  off_t read_ = 0;
  TerminalConsole console_;
};

TEST_F(TerminalConsoleTest, SendsOnlyChangedCellsInTheirColoursAsUtf8) {
  console_.Flush();
  EXPECT_NE(TakeOutput().find("\x1b[0;37;40m "), std::string::npos);
  const std::pair<uint8_t, std::string> cases[] = {
      {0x2F, "97;42"}, {0x2E, "93;42"},  {0x2D, "95;42"}, {0x2B, "96;42"},
      {0x1E, "93;44"}, {0xA0, "30;102"}, {0x4C, "91;41"}, {0x07, "37;40"}};
  for (const auto& [attribute, codes] : cases) {
    console_.SetAttribute(attribute);
    console_.SetCursor(3, 3);
    console_.Write("x");
    console_.Flush();
    EXPECT_EQ(TakeOutput(), "\x1b[4;4H\x1b[" + codes + "mx") << int{attribute};
  }
  DrawBox(console_, 10, 2, 13, 4);
  console_.Flush();
  EXPECT_EQ(TakeOutput(),
            "\x1b[3;11H\xE2\x95\x94\xE2\x95\x90\xE2\x95\x90\xE2\x95\x97"
            "\x1b[4;11H\xE2\x95\x91\x1b[4;14H\xE2\x95\x91"
            "\x1b[5;11H\xE2\x95\x9A\xE2\x95\x90\xE2\x95\x90\xE2\x95\x9D\x1b[4;15H");
  DrawBox(console_, 10, 2, 13, 4);
  console_.SetCursor(50, 10);
  console_.Write("Q");
  console_.Flush();
  EXPECT_EQ(TakeOutput(), "\x1b[11;51HQ");
}

TEST_F(TerminalConsoleTest, SetUpRequestsComeFirstAndControlCharactersAreNotPassedThrough) {
  SetUpConsole(console_);
  EXPECT_EQ(TakeOutput().substr(0, 72),
            "\x1b[8;25;100t\x1b]0;Welcome to Quorvalemixer.exe\a\x1b[?25l\x1b[0m\x1b[H\x1b[2J"
            "\x1b[0;97;42m ");
  console_.SetTitle(
      "A\x1b]2;B\aC\nD\xC2\x9B"
      "E\xC3\xA9");
  console_.SetCursor(0, 5);
  console_.Write("a\x1b[2Jb");
  console_.Flush();
  EXPECT_EQ(TakeOutput(), "\x1b]0;A]2;BCDE\xC3\xA9\a\x1b[6;1Ha?[2Jb");
}

TEST_F(TerminalConsoleTest, RestoreHandsTheTerminalBackOnce) {
  { TerminalConsole unused(fd_); }
  EXPECT_EQ(TakeOutput(), "");
  SetUpConsole(console_);
  TakeOutput();
  console_.SetCursor(2, 2);
  console_.Write("!");
  console_.Restore();
  EXPECT_EQ(TakeOutput(), "\x1b[3;3H!\x1b[0m\x1b[?25h\x1b[25;1H\r\n");
  console_.Restore();
  EXPECT_EQ(TakeOutput(), "");
}

// A stop signal during a sleep ends it early; a second one runs the hook and ends the process.
void SleepThroughTwoStopSignals() {
  InstallStopSignalHandlers();
  SetEmergencyRestoreHook([] {
    if (write(STDERR_FILENO, "hook ran", 8) != 8) _exit(3);
  });
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    raise(SIGTERM);
  }).detach();
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
