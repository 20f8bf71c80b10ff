// A run's hold on its working folder: an advisory lock (flock) on the file
// ".quorvalemixer.lock" in it, held until the object goes away or the process ends, however it
// ends. A second run in the same folder does not wait: it is refused at once, before it removes
// or writes anything there, so the first run's saves and temporary files stay whole.
#pragma once

#include <string>

#include "base/status.h"

namespace quorvale {

inline constexpr const char* kFolderLockFile = ".quorvalemixer.lock";

class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Takes the lock on `folder` (which must exist) without waiting. Fails, saying so, when another
  // run holds it. A folder where the lock file can be neither created nor opened is not locked
  // and succeeds: no run can save anything there either, and the save says why.
  Status Take(const std::string& folder);

 private:
  int fd_ = -1;
};

}  // namespace quorvale
