// The program under test as a child process, for the fault tests.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace quorvale::test {

using std::chrono::milliseconds;

// Polls `condition` every 20 ms; false when it still fails after `timeout`.
template <typename Condition>
bool WaitUntil(Condition condition, milliseconds timeout) {
  for (auto end = std::chrono::steady_clock::now() + timeout; !condition();) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(milliseconds(20));
  }
  return true;
}

// How a child program starts: where its screen goes (or /dev/null), whether it runs as user
// nobody, and after how many milliseconds it may begin interim saving (the program's own
// 16 seconds when negative).
struct ChildOptions {
  std::string screen;
  bool as_nobody = false;
  long first_save_ms = -1;
  std::vector<std::string> arguments{};  // after --no-pause
};

// `QM_PROGRAM_PATH --folder FOLDER --no-pause ARGUMENTS` with standard input from /dev/null. It
// dies with the test process, and the destructor kills it when it still runs. Its status is its
// exit code, 256 plus the signal that ended it, or -1 while it runs; 126 when it could not become
// nobody, 127 when it could not start.
class Child {
 public:
  explicit Child(const std::string& folder, const ChildOptions& options = {});
  ~Child() {
    Signal(SIGKILL);
    if (status_ < 0) ::waitpid(pid_, nullptr, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool Running() {
    int status = 0;
    if (status_ < 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
    }
    return status_ < 0;
  }
  void Signal(int signal_number) {
    if (Running()) ::kill(pid_, signal_number);
  }
  int Wait(milliseconds timeout) {  // the status after at most `timeout`
    WaitUntil([&] { return !Running(); }, timeout);
    return status_;
  }
  // Processor time the child has used so far (user and system), or -1 once it has ended: a
  // measure of how far it got that does not depend on how busy the machine is.
  milliseconds CpuTime() const;

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// Runs the program to its end (killing it after 30 s) and returns its status.
inline int RunToEnd(const std::string& folder, const ChildOptions& options = {}) {
  return Child(folder, options).Wait(milliseconds(30000));
}

// The lines of `text`, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// The standard output of `command`, run by /bin/sh.
std::string Shell(const std::string& command);

// The program run in `folder` with `arguments` (as a shell reads them) and standard input from
// /dev/null; returns its exit code and fills `out` and `err` when given.
int RunIn(const std::string& folder, const std::string& arguments, std::string* out = nullptr,
          std::string* err = nullptr);

// The rows of a semicolon- or comma-separated table (a groups file), each a map from the
// header's names to the row's cells.
std::vector<std::map<std::string, std::string>> TableRows(const std::string& text);

struct Tmux {  // a tmux server of its own, ended with the object
  static inline int servers = 0;
  std::string prefix = "tmux -L quorvale-test-" + std::to_string(::getpid()) + "-" +
                       std::to_string(++servers) + " -f /dev/null ";
  ~Tmux() { Shell(prefix + "kill-server 2>/dev/null"); }
  std::string operator()(const std::string& command) { return Shell(prefix + command); }
};

}  // namespace quorvale::test
