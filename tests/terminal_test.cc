// The bytes the terminal console sends, read back from an in-memory file; and the real platform
// layer: stop signals, the sleep and the key wait.
#include "console/terminal.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/real_platform.h"
#include "app/stop_signal.h"
#include "console/box.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;

// A TerminalConsole writing into an in-memory file.
class TerminalConsoleTest : public testing::Test {
 protected:
  TerminalConsoleTest() : fd_(memfd_create("terminal", 0)), console_(fd_) {}
  ~TerminalConsoleTest() override { close(fd_); }

  // The bytes written since the last call.
  std::string TakeOutput() {
    std::string bytes(4096, '\0');
    ssize_t n;
    size_t size = 0;
    while ((n = pread(fd_, bytes.data() + size, 4096, read_)) > 0) {
      size += static_cast<size_t>(n);
      read_ += n;
      bytes.resize(size + 4096);
    }
    bytes.resize(size);
    return bytes;
  }
  int fd_;
  off_t read_ = 0;
  TerminalConsole console_;
};

TEST_F(TerminalConsoleTest, FirstFlushSendsTheRequestsThenClearsAndPaints) {
  SetUpConsole(console_);
  const std::string out = TakeOutput();
  const std::string start =
      "\x1b[8;25;100t\x1b]0;Welcome to Quorvalemixer.exe\a\x1b[?25l\x1b[0m\x1b[H\x1b[2J"
      "\x1b[0;97;42m ";
  // Then every cell, with a cursor move to the start of each row after the first.
  std::string expected = start + std::string(99, ' ');
  for (int row = 2; row <= kScreenRows; ++row) {
    expected += "\x1b[" + std::to_string(row) + ";1H" + std::string(100, ' ');
  }
  EXPECT_EQ(out, expected);
  console_.Flush();
  EXPECT_EQ(TakeOutput(), "");
}

TEST_F(TerminalConsoleTest, ColoursMapToAnsiNumbers) {
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
}

TEST_F(TerminalConsoleTest, OnlyChangedCellsAreSentAsUtf8) {
  SetUpConsole(console_);
  TakeOutput();
  DrawBox(console_, 10, 2, 13, 4);
  console_.Flush();
  EXPECT_EQ(TakeOutput(),
            "\x1b[3;11H\xE2\x95\x94\xE2\x95\x90\xE2\x95\x90\xE2\x95\x97"
            "\x1b[4;11H\xE2\x95\x91\x1b[4;14H\xE2\x95\x91"
            "\x1b[5;11H\xE2\x95\x9A\xE2\x95\x90\xE2\x95\x90\xE2\x95\x9D");
  DrawBox(console_, 10, 2, 13, 4);
  console_.SetCursor(50, 10);
  console_.Write("Q");
  console_.Flush();
  EXPECT_EQ(TakeOutput(), "\x1b[11;51HQ");
  // A shown cursor is put where the model's is.
  console_.SetCursor(7, 5);
  console_.SetCursorVisible(true);
  console_.Flush();
  EXPECT_EQ(TakeOutput(), "\x1b[6;8H\x1b[?25h");
}

TEST_F(TerminalConsoleTest, ControlCharactersAreNotPassedThrough) {
  SetUpConsole(console_);
  TakeOutput();
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
  const std::string hand_back = "\x1b[0m\x1b[?25h\x1b[25;1H\r\n";
  EXPECT_EQ(TakeOutput(), "\x1b[3;3H!" + hand_back);
  console_.Restore();
  EXPECT_EQ(TakeOutput(), "");
}

// Installs the stop-signal handlers for one test; puts back the previous ones, the stop flag and
// standard input afterwards.
class PlatformTest : public testing::Test {
 protected:
  PlatformTest() : saved_stdin_(dup(STDIN_FILENO)) {
    for (int i = 0; i < 4; ++i) sigaction(kSignals[i], nullptr, &saved_[i]);
    InstallStopSignalHandlers();
  }
  ~PlatformTest() override {
    for (int i = 0; i < 4; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
    dup2(saved_stdin_, STDIN_FILENO);
    close(saved_stdin_);
    StopSignal().store(0);
  }
  static constexpr int kSignals[4] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
  struct sigaction saved_[4];
  int saved_stdin_;
  TerminalPauser pauser_;
};

TEST_F(PlatformTest, SleepReturnsFalseAtOnceAfterAStopSignal) {
  SteadyClock clock;
  EXPECT_TRUE(pauser_.Sleep(60));
  EXPECT_GE(clock.ElapsedMs(), 60);
  raise(SIGHUP);
  EXPECT_EQ(StopSignal().load(), SIGHUP);
  EXPECT_FALSE(pauser_.Sleep(100000));
  EXPECT_LT(clock.ElapsedMs(), 5000);
}

TEST_F(PlatformTest, KeyWaitOnAPipeTakesOneByteOrTheEndOrAStop) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  dup2(ends[0], STDIN_FILENO);
  ASSERT_EQ(write(ends[1], "ab", 2), 2);
  EXPECT_TRUE(pauser_.WaitForKey());
  char rest = 0;
  EXPECT_EQ(read(STDIN_FILENO, &rest, 1), 1);
  EXPECT_EQ(rest, 'b');
  std::thread stopper([waiter = pthread_self()] {
    std::this_thread::sleep_for(20ms);
    pthread_kill(waiter, SIGTERM);
  });
  EXPECT_FALSE(pauser_.WaitForKey());
  stopper.join();
  EXPECT_EQ(StopSignal().load(), SIGTERM);
  StopSignal().store(0);
  close(ends[1]);
  EXPECT_TRUE(pauser_.WaitForKey());
  close(ends[0]);
}

void WriteHookMark() { ASSERT_EQ(write(STDERR_FILENO, "hook ran", 8), 8); }

TEST(StopSignalDeathTest, SecondStopSignalRunsTheHookAndEndsTheProcess) {
  EXPECT_EXIT(
      {
        InstallStopSignalHandlers();
        SetEmergencyRestoreHook(WriteHookMark);
        raise(SIGTERM);
        raise(SIGTERM);
      },
      testing::ExitedWithCode(128 + SIGTERM), "hook ran");
}

}  // namespace
}  // namespace quorvale
