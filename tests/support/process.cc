// Child processes for the program tests. Children are started with fork and exec so that the
// limit and the user switch happen in the child alone; between the two only async-signal-safe
// calls are made, everything else is prepared before the fork.
#include "tests/support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <stdexcept>

namespace quorvale::test {

namespace {

// Every child still running, for the watchdog to kill before it ends the test.
std::mutex g_children_mutex;
std::set<pid_t> g_children;

void Register(pid_t pid) {
  std::lock_guard<std::mutex> lock(g_children_mutex);
  g_children.insert(pid);
}

void Unregister(pid_t pid) {
  std::lock_guard<std::mutex> lock(g_children_mutex);
  g_children.erase(pid);
}

ExitStatus Decode(int wait_status) {
  ExitStatus status;
  if (WIFEXITED(wait_status)) {
    status.exited = true;
    status.code = WEXITSTATUS(wait_status);
  } else if (WIFSIGNALED(wait_status)) {
    status.signal = WTERMSIG(wait_status);
  }
  return status;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Forks and execs `argv`. `output_fd` (or /dev/null when -1) becomes standard output and error.
pid_t Start(const std::vector<std::string>& argv, int output_fd, const ChildOptions& options) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int null_fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null_fd < 0) throw std::runtime_error("cannot open /dev/null");
  const int out = output_fd >= 0 ? output_fd : null_fd;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(null_fd);
    throw std::runtime_error("fork failed");
  }
  if (pid == 0) {
    ::dup2(null_fd, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(out, STDERR_FILENO);
    // A fresh process group, so that a signal meant for the test runner's group misses it.
    ::setpgid(0, 0);
    if (options.file_size_limit) {
      const rlimit limit{*options.file_size_limit, *options.file_size_limit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(125);
    }
    if (options.run_as) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(options.run_as->gid) != 0 ||
          ::setuid(options.run_as->uid) != 0) {
        ::_exit(125);
      }
    }
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(null_fd);
  return pid;
}

}  // namespace

std::string ProgramPath() { return QM_PROGRAM_PATH; }

std::string ExitStatus::Describe() const {
  if (exited) return "exit code " + std::to_string(code);
  if (signal != 0) return "ended by signal " + std::to_string(signal);
  return "still running";
}

ExitStatus ExitedWith(int code) {
  ExitStatus status;
  status.exited = true;
  status.code = code;
  return status;
}

std::optional<UserIds> UnprivilegedUser() {
  if (::geteuid() != 0) return std::nullopt;
  const passwd* user = ::getpwnam("nobody");
  if (user == nullptr || user->pw_uid == 0) return std::nullopt;
  UserIds ids{user->pw_uid, user->pw_gid};
  if (const group* nogroup = ::getgrnam("nogroup")) ids.gid = nogroup->gr_gid;
  return ids;
}

ChildProcess::ChildProcess(const std::string& program, const ChildOptions& options) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
  int output_fd = -1;
  if (!options.output_path.empty()) {
    output_fd = ::open(options.output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output_fd < 0) throw std::runtime_error("cannot create " + options.output_path);
  }
  pid_ = Start(argv, output_fd, options);
  if (output_fd >= 0) ::close(output_fd);
  Register(pid_);
}

ChildProcess::~ChildProcess() {
  if (Running()) {
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
}

bool ChildProcess::Reap(bool block) {
  if (status_) return true;
  int wait_status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid_, &wait_status, block ? 0 : WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got != pid_) return false;
  status_ = Decode(wait_status);
  Unregister(pid_);
  return true;
}

bool ChildProcess::Running() { return !Reap(false); }

void ChildProcess::Signal(int signal_number) {
  if (Running()) ::kill(pid_, signal_number);
}

std::optional<ExitStatus> ChildProcess::WaitFor(milliseconds timeout) {
  if (WaitUntil([&] { return !Running(); }, timeout)) return status_;
  return std::nullopt;
}

ChildOptions ProgramInFolder(const std::string& folder, const std::string& output_path,
                             std::vector<std::string> extra) {
  ChildOptions options;
  options.arguments = {"--folder", folder, "--no-pause"};
  options.arguments.insert(options.arguments.end(), extra.begin(), extra.end());
  options.output_path = output_path;
  return options;
}

FinishedRun RunToEnd(const ChildOptions& options, milliseconds timeout) {
  FinishedRun run;
  {
    ChildProcess child(ProgramPath(), options);
    std::optional<ExitStatus> status = child.WaitFor(timeout);
    if (!status) {
      child.Signal(SIGKILL);
      status = child.WaitFor(milliseconds(5000));
    }
    run.exit = status.value_or(ExitStatus{});
  }
  if (!options.output_path.empty()) run.rows = ReadLines(options.output_path);
  return run;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return SplitLines(text);
}

CommandResult RunCommand(const std::vector<std::string>& argv, milliseconds timeout) {
  char path[] = "/tmp/quorvale-command-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0) throw std::runtime_error("cannot create a file for a command's output");
  ::close(fd);
  CommandResult result;
  {
    ChildOptions options;
    options.output_path = path;
    options.arguments.assign(argv.begin() + 1, argv.end());
    ChildProcess child(argv[0], options);
    std::optional<ExitStatus> status = child.WaitFor(timeout);
    result.exit = status.value_or(ExitStatus{});
  }
  std::ifstream file(path, std::ios::binary);
  result.output.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  ::unlink(path);
  return result;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// tmux ------------------------------------------------------------------------------------------

namespace {

std::string TmuxPath() {
  for (const char* candidate : {"/usr/bin/tmux", "/usr/local/bin/tmux", "/bin/tmux"}) {
    if (::access(candidate, X_OK) == 0) return candidate;
  }
  return "";
}

std::string NewSocketName() {
  static std::atomic<int> counter{0};
  return "quorvale-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

constexpr milliseconds kTmuxTimeout(10000);

}  // namespace

bool TmuxTerminal::Available() {
  const std::string tmux = TmuxPath();
  if (tmux.empty()) return false;
  const std::string socket = NewSocketName();
  const CommandResult started = RunCommand(
      {tmux, "-L", socket, "-f", "/dev/null", "new-session", "-d", "-x", "20", "-y", "5", "sh"},
      kTmuxTimeout);
  RunCommand({tmux, "-L", socket, "kill-server"}, kTmuxTimeout);
  return started.exit == ExitedWith(0);
}

TmuxTerminal::TmuxTerminal(int columns, int rows) : socket_(NewSocketName()) {
  // A plain shell with a known prompt, started by the test so that it inherits a clean setting.
  Command({"new-session", "-d", "-x", std::to_string(columns), "-y", std::to_string(rows),
           "env PS1='$ ' /bin/sh"});
  Command({"set-option", "-g", "status", "off"});
  WaitUntil([&] { return !Capture().empty() && Capture()[0].rfind("$", 0) == 0; },
            milliseconds(5000));
}

TmuxTerminal::~TmuxTerminal() { Command({"kill-server"}); }

std::vector<std::string> TmuxTerminal::Command(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {TmuxPath(), "-L", socket_, "-f", "/dev/null"});
  return SplitLines(RunCommand(arguments, kTmuxTimeout).output);
}

void TmuxTerminal::Type(const std::string& line) {
  Command({"send-keys", "-l", line});
  Command({"send-keys", "Enter"});
}

std::vector<std::string> TmuxTerminal::Capture(bool attributes) {
  std::vector<std::string> arguments{"capture-pane", "-p"};
  if (attributes) arguments.push_back("-e");
  return Command(arguments);
}

std::string TmuxTerminal::Display(const std::string& format) {
  const std::vector<std::string> lines = Command({"display-message", "-p", format});
  return lines.empty() ? "" : lines[0];
}

// Watchdog --------------------------------------------------------------------------------------

Watchdog::Watchdog(std::chrono::seconds limit, std::string what) {
  thread_ = std::thread([this, limit, what = std::move(what)] {
    std::unique_lock<std::mutex> lock(mutex_);
    if (done_.wait_for(lock, limit, [this] { return finished_; })) return;
    {
      std::lock_guard<std::mutex> children(g_children_mutex);
      for (pid_t pid : g_children) ::kill(pid, SIGKILL);
    }
    std::fprintf(stderr, "\nTIMEOUT: %s did not finish within %lld s; its children were killed.\n",
                 what.c_str(), static_cast<long long>(limit.count()));
    std::fflush(stderr);
    std::_Exit(1);
  });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  done_.notify_all();
  thread_.join();
}

}  // namespace quorvale::test
