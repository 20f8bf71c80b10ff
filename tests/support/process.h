// Running the built program as a child process, for the tests that need the real thing: in a
// folder, with its output in a file, under a file-size limit or as an unprivileged user, with
// signals and waits that give up after a timeout; in a real terminal under tmux; and a watchdog
// that fails a hanging test instead of letting it block.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvale::test {

using std::chrono::milliseconds;

// The program under test (QM_PROGRAM_PATH).
std::string ProgramPath();

struct ExitStatus {
  bool exited = false;  // ended by exit: `code` holds its exit code
  int code = -1;
  int signal = 0;  // ended by this signal
  bool operator==(const ExitStatus&) const = default;
  std::string Describe() const;
};
ExitStatus ExitedWith(int code);

struct UserIds {
  uid_t uid = 0;
  gid_t gid = 0;
};

// The user "nobody" (group "nogroup" or "nobody") when this process may switch to it: we are
// root and the user exists. Empty otherwise; a process that is not root is unprivileged already.
std::optional<UserIds> UnprivilegedUser();

struct ChildOptions {
  std::vector<std::string> arguments;       // after the program's path
  std::string output_path;                  // standard output and error; empty: /dev/null
  std::optional<uint64_t> file_size_limit;  // RLIMIT_FSIZE in bytes
  std::optional<UserIds> run_as;            // switch to this user before the program starts
};

// A started child. Standard input is /dev/null. The destructor kills a child that still runs
// (SIGKILL) and reaps it, so no test leaves a process behind.
class ChildProcess {
 public:
  // Throws std::runtime_error when the child cannot be started.
  ChildProcess(const std::string& program, const ChildOptions& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // True until the child has been seen to end.
  bool Running();
  void Signal(int signal_number);
  // The exit status, or nothing when the child still runs after `timeout`.
  std::optional<ExitStatus> WaitFor(milliseconds timeout);
  const std::optional<ExitStatus>& status() const { return status_; }

 private:
  bool Reap(bool block);

  pid_t pid_ = -1;
  std::optional<ExitStatus> status_;
};

// The options for `--folder folder --no-pause` plus `extra`, with the output in `output_path`.
ChildOptions ProgramInFolder(const std::string& folder, const std::string& output_path,
                             std::vector<std::string> extra = {});

// A finished run: how it ended and the 25 rows it printed (rows of the plain screen).
struct FinishedRun {
  ExitStatus exit;
  std::vector<std::string> rows;
  std::string Row(int row) const { return row < static_cast<int>(rows.size()) ? rows[row] : ""; }
};

// Runs the child to its end; a child still running after `timeout` is killed, which the test
// sees as an exit by SIGKILL.
FinishedRun RunToEnd(const ChildOptions& options, milliseconds timeout);

// The lines of a text file (empty when it cannot be read).
std::vector<std::string> ReadLines(const std::string& path);

// Waits until `condition` holds, polling every 20 ms; false on timeout.
template <typename Condition>
bool WaitUntil(Condition condition, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(20));
  }
}

// Runs a command to its end and returns its exit status and standard output.
struct CommandResult {
  ExitStatus exit;
  std::string output;
};
CommandResult RunCommand(const std::vector<std::string>& argv, milliseconds timeout);

// A shell word that stands for `text` literally.
std::string ShellQuote(const std::string& text);

// A detached tmux session of its own server (its own socket), running /bin/sh with the prompt
// "$ ", for checking what the program leaves on a real terminal.
class TmuxTerminal {
 public:
  // Whether tmux is installed and can start a server here.
  static bool Available();
  TmuxTerminal(int columns, int rows);
  ~TmuxTerminal();  // ends this session's server
  TmuxTerminal(const TmuxTerminal&) = delete;
  TmuxTerminal& operator=(const TmuxTerminal&) = delete;

  // Types `line` into the shell and presses Enter.
  void Type(const std::string& line);
  // The visible rows; with `attributes`, with the escape sequences of their colours.
  std::vector<std::string> Capture(bool attributes = false);
  // A tmux format, such as "#{cursor_flag}", expanded for the pane.
  std::string Display(const std::string& format);

 private:
  std::vector<std::string> Command(std::vector<std::string> arguments);
  std::string socket_;
};

// Fails the test process when it is still running after `limit`: kills every child started by
// ChildProcess, prints `what` and ends the process with exit code 1. CTest runs each test in a
// process of its own, so only the hanging test fails.
class Watchdog {
 public:
  Watchdog(std::chrono::seconds limit, std::string what);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace quorvale::test
