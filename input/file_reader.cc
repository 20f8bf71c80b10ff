// POSIX implementation of ReadFileText. The file is opened without blocking so that a pipe
// without a writer cannot hang the program, then checked with fstat before it is read.
#include "input/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "base/format.h"

namespace quorvale {
namespace {

// Closes the descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

FileText Failure(const std::string& path, const char* action, const std::string& reason) {
  FileText result;
  result.status =
      Status::Error(StringPrintf("Cannot %s %s: %s.", action, path.c_str(), reason.c_str()));
  return result;
}

std::string OpenReason(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "there is no such file";
    case EACCES:
    case EPERM:
      return "no permission to read it";
    case ELOOP:
      return "its path runs into a loop of symbolic links";
    case EISDIR:
      return "it is a folder, not a file";
    default:
      return std::strerror(error);
  }
}

}  // namespace

FileText ReadFileText(const std::string& path) {
  const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) {
    const int error = errno;
    FileText result = Failure(path, "open", OpenReason(error));
    result.missing = error == ENOENT || error == ENOTDIR;
    return result;
  }

  struct stat info {};
  if (fstat(file.get(), &info) != 0) return Failure(path, "read", std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return Failure(path, "read", "it is a folder, not a file");
  if (!S_ISREG(info.st_mode)) {
    return Failure(path, "read", "it is a device or a pipe, not a file");
  }

  FileText result;
  try {
    // The size is only a hint: the loop reads until the end, even if the file grows meanwhile.
    if (info.st_size > 0) result.text.reserve(static_cast<size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
      const ssize_t count = read(file.get(), buffer, sizeof(buffer));
      if (count == 0) break;
      if (count < 0) {
        if (errno == EINTR) continue;
        return Failure(path, "read",
                       StringPrintf("a read error occurred (%s)", std::strerror(errno)));
      }
      result.text.append(buffer, static_cast<size_t>(count));
    }
  } catch (const std::bad_alloc&) {
    return Failure(path, "read", "it is too large to hold in memory");
  } catch (const std::length_error&) {
    return Failure(path, "read", "it is too large to hold in memory");
  }
  return result;
}

}  // namespace quorvale
