// fork and exec, so that the user switch happens in the child alone.
#include "tests/support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace quorvale::test {

Child::Child(const std::string& folder, const std::string& screen, bool as_nobody) {
  const char* argv[] = {QM_PROGRAM_PATH, "--folder", folder.c_str(), "--no-pause", nullptr};
  const passwd* nobody = as_nobody ? ::getpwnam("nobody") : nullptr;
  const int out = ::open(screen.empty() ? "/dev/null" : screen.c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::dup2(::open("/dev/null", O_RDONLY), STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(out, STDERR_FILENO);
    ::setpgid(0, 0);  // out of the test runner's process group and its signals
    if (as_nobody && (nobody == nullptr || ::setgroups(0, nullptr) != 0 ||
                      ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)) {
      ::_exit(126);
    }
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // after setuid, which clears it
    ::execv(argv[0], const_cast<char**>(argv));
    ::_exit(127);
  }
  ::close(out);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  for (int c; (c = std::fgetc(pipe)) != EOF;) output += static_cast<char>(c);
  ::pclose(pipe);
  return output;
}

}  // namespace quorvale::test
