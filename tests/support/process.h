// The program under test as a child process, for the fault tests.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

// `QM_PROGRAM_PATH --folder FOLDER --no-pause` with standard input from /dev/null and its output
// in `screen` (or /dev/null), as user nobody when asked. It dies with the test process, and the
// destructor kills it when it still runs. Its status is its exit code, 256 plus the signal that
// ended it, or -1 while it runs; 126 when it could not become nobody, 127 when it could not start.
class Child {
 public:
  explicit Child(const std::string& folder, const std::string& screen = "", bool as_nobody = false);
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

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// Runs the program to its end (killing it after 30 s) and returns its status.
inline int RunToEnd(const std::string& folder, const std::string& screen = "",
                    bool as_nobody = false) {
  return Child(folder, screen, as_nobody).Wait(milliseconds(30000));
}

// The lines of `text`, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// The standard output of `command`, run by /bin/sh.
std::string Shell(const std::string& command);

struct Tmux {  // a tmux server of its own, ended with the object
  static inline int servers = 0;
  std::string prefix = "tmux -L quorvale-test-" + std::to_string(::getpid()) + "-" +
                       std::to_string(++servers) + " -f /dev/null ";
  ~Tmux() { Shell(prefix + "kill-server 2>/dev/null"); }
  std::string operator()(const std::string& command) { return Shell(prefix + command); }
};

}  // namespace quorvale::test
