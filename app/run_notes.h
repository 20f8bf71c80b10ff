// What a run leaves to be said after the screen is handed back: the failure that ended it, and
// the warnings about input it did not use. Scripts read them on standard error.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "input/input_warnings.h"

namespace quorvale {

struct RunNotes {
  Status failure;  // the refusal or failed save behind exit code 1; ok otherwise
  InputWarnings warnings;
  std::string data_file;  // the path of "data.txt", once it was read
};

// The lines for standard error, each ending with a line feed: the failure first (when
// `with_failure`) as "quorvalemixer: FILE:LINE: message", then one line per warning.
std::vector<std::string> DiagnosticLines(const RunNotes& notes, bool with_failure);

}  // namespace quorvale
