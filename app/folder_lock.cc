// The working folder's lock. The lock file stays in the folder: removing it on the way out would
// let a run that opened it just before lock a file nobody else can find any more.
#include "app/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvale {

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

Status FolderLock::Take(const std::string& folder) {
  const std::string path = (folder.empty() ? "." : folder) + "/" + kFolderLockFile;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  // A lock file left by another user may be read-only to us; a read-only descriptor locks too.
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return Status::Ok();
  int result = 0;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK) return Status::Ok();  // a file system without locks
    return Status::Error("Another run of the program is using the folder " + folder +
                         " (it holds " + path +
                         "); this run ends without touching its files. Start it again when that "
                         "run has ended.");
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return Status::Ok();
}

}  // namespace quorvale
