// A small success-or-message value for operations that can fail without it being a bug.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace quorvale {

class Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message)); }
  // A failure that lies in a file: `message` is the whole text for the screen, `detail` the same
  // without the file and line, for a compiler-style "file:line: detail" line. `line` is 1-based,
  // or 0 when the failure concerns the file as a whole.
  static Status ErrorInFile(std::string message, std::string file, size_t line,
                            std::string detail) {
    Status status(std::move(message));
    status.file_ = std::move(file);
    status.line_ = line;
    status.detail_ = std::move(detail);
    return status;
  }

  bool ok() const { return !failed_; }
  // The text for the user; empty when ok().
  const std::string& message() const { return message_; }
  // The file the failure lies in; empty when it concerns no file.
  const std::string& file() const { return file_; }
  size_t line() const { return line_; }
  const std::string& detail() const { return detail_; }

 private:
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}

  bool failed_ = false;
  std::string message_;
  std::string file_;
  size_t line_ = 0;
  std::string detail_;
};

}  // namespace quorvale
