// fork and exec, so that the user switch happens in the child alone.
#include "tests/support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "roster/roster_csv.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {

Child::Child(const std::string& folder, const ChildOptions& options) {
  std::vector<const char*> argv = {QM_PROGRAM_PATH, "--folder", folder.c_str(), "--no-pause"};
  for (const std::string& argument : options.arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const bool as_nobody = options.as_nobody;
  const passwd* nobody = as_nobody ? ::getpwnam("nobody") : nullptr;
  const int out = ::open(options.screen.empty() ? "/dev/null" : options.screen.c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  // The environment is made before the fork: the child only calls what is safe after it.
  const std::string first_save = "QM_TEST_FIRST_SAVE_MS=" + std::to_string(options.first_save_ms);
  std::vector<const char*> env;
  for (char** entry = environ; *entry != nullptr; ++entry) env.push_back(*entry);
  if (options.first_save_ms >= 0) env.push_back(first_save.c_str());
  env.push_back(nullptr);
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
    ::execve(argv[0], const_cast<char**>(argv.data()), const_cast<char**>(env.data()));
    ::_exit(127);
  }
  ::close(out);
}

milliseconds Child::CpuTime() const {
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string text;
  if (status_ >= 0 || !std::getline(stat, text)) return milliseconds(-1);
  // Fields 14 and 15, utime and stime in clock ticks, follow the command name in parentheses.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long long ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i >= 14) ticks += std::stoll(field);
  }
  return milliseconds(ticks * 1000 / ::sysconf(_SC_CLK_TCK));
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

int RunIn(const std::string& folder, const std::string& arguments, std::string* out,
          std::string* err) {
  const std::string command = "cd '" + folder + "' && '" + QM_PROGRAM_PATH + "' " + arguments +
                              " </dev/null >out.txt 2>err.txt";
  const int status = std::system(command.c_str());
  if (out != nullptr) *out = ReadWholeFile(folder + "/out.txt");
  if (err != nullptr) *err = ReadWholeFile(folder + "/err.txt");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::map<std::string, std::string>> TableRows(const std::string& text) {
  Roster table;
  if (!ParseRoster(text, "table", std::nullopt, table).ok()) return {};
  std::vector<std::map<std::string, std::string>> rows;
  for (const auto& cells : table.cells) {
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < cells.size(); ++c) row[table.header[c]] = cells[c];
    rows.push_back(row);
  }
  return rows;
}

}  // namespace quorvale::test
