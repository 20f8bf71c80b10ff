// Whole-file reading for the input files, with failures described in plain words.
#pragma once

#include <string>

#include "base/status.h"

namespace quorvale {

struct FileText {
  bool missing = false;  // no file at that path (ENOENT or ENOTDIR)
  Status status;         // failed when missing, or when the file exists but cannot be read
  std::string text;
};

// Reads a whole file in binary. A failure names the path and the reason in plain words: a folder
// where a file was expected, no permission, a symbolic-link loop, a read error.
//
// Only regular files are read (symbolic links are followed): a device or a pipe is refused rather
// than waited on. Never throws; a file too large for memory is a failure like the others.
FileText ReadFileText(const std::string& path);

}  // namespace quorvale
