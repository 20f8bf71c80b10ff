// Formatting and safe replacement of the results file.
#include "report/results_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "base/format.h"

namespace quorvale {

namespace {

void AppendValue(std::string& out, int64_t value) {
  out += StringPrintf("%lld \t", static_cast<long long>(value));
}

void AppendLine(std::string& out, int64_t a, int64_t b, int64_t c) {
  AppendValue(out, a);
  AppendValue(out, b);
  AppendValue(out, c);
  out += '\n';
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string Reason(const std::string& what, int error) {
  return what + ": " + std::strerror(error) + ".";
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

SchedulePosition DecodeCycleNumber(int32_t cycle_number, const Parameters& params) {
  const int64_t stage_length = int64_t{params.FocusCycles} + params.SpreadCycles;
  const int64_t run_length = stage_length * params.StagesPerRun;
  const int64_t i = int64_t{cycle_number} - 1;
  SchedulePosition position;
  position.RunNumber = static_cast<int32_t>(i / run_length + 1);
  position.StageNumber = static_cast<int32_t>((i / stage_length) % params.StagesPerRun + 1);
  const auto q = static_cast<int32_t>(i % stage_length + 1);
  if (q <= params.FocusCycles) {
    position.FocusIndex = q;
  } else {
    position.FocusIndex = params.FocusCycles;
    position.SpreadIndex = q - params.FocusCycles;
  }
  return position;
}

std::string FormatResults(const Problem& p, int32_t target_status, int32_t cycle_number) {
  const SchedulePosition at = DecodeCycleNumber(cycle_number, p.params);
  std::string out;
  out.reserve(static_cast<size_t>(p.PersonCount() + 3) * 24);
  AppendLine(out, p.TargetScore, target_status, p.ConflictDensity);
  AppendLine(out, at.RunNumber, at.StageNumber, at.FocusIndex);
  AppendLine(out, at.SpreadIndex, p.BestScore, cycle_number);
  for (int person = 1; person <= p.PersonCount(); ++person) {
    AppendLine(out, person, p.BestAssignment[static_cast<size_t>(person)],
               p.BestPersonConflict[static_cast<size_t>(person)]);
  }
  return out;
}

Status ReplaceFileAtomically(const std::string& path, std::string_view text) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) return Status::Error(path + " is a folder.");
    if ((existing.st_mode & S_IWUSR) == 0) {
      return Status::Error(path + " is read-only; it was left as it is.");
    }
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Status::Error(Reason("cannot create a file in " + FolderOf(path), errno));
  bool ok = ::fchmod(fd, NewFileMode()) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    return Status::Error(Reason("cannot write " + path, error));
  }
  // Make the rename itself durable, so a power cut cannot bring back the old file.
  const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return Status::Ok();
}

int RemoveLeftoverTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string prefix = path.substr(path.find_last_of('/') + 1) + ".";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) continue;
    const std::string_view suffix = name.substr(prefix.size());
    if (!std::all_of(suffix.begin(), suffix.end(), [](char c) { return std::isalnum(c) != 0; })) {
      continue;
    }
    const std::string leftover = folder + "/" + std::string(name);
    struct stat info {};
    if (::lstat(leftover.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::unlink(leftover.c_str()) == 0) {
      ++removed;
    }
  }
  ::closedir(dir);
  return removed;
}

Status ResultsFile::Write(const Problem& problem, int32_t target_status, int32_t cycle_number) {
  return ReplaceFileAtomically(path_, FormatResults(problem, target_status, cycle_number));
}

}  // namespace quorvale
