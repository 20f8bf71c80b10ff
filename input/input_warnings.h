// What the input holds that a run does not use: rows of "data.txt" after the last person, and
// persons whose type keeps them out of every group. Neither stops a run; both are told to the
// user after it (and kept for the report).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

namespace quorvale {

struct InputWarnings {
  int64_t rows_not_read = 0;       // rows of data.txt after the last person's row
  size_t first_line_not_read = 0;  // the line of data.txt where they begin; 0 when none
  // Persons, ascending, whose type is neither 1 nor 2 while TypeMode keeps two types: they are
  // never dealt into a group.
  std::vector<int32_t> persons_left_out;

  bool empty() const { return rows_not_read == 0 && persons_left_out.empty(); }
};

// The persons of a filled DataTable that the first grouping leaves out.
std::vector<int32_t> FindPersonsLeftOut(const Model& model);

// One line for each warning, for standard error, each starting "quorvalemixer: warning: " and
// ending with a line feed. `data_file` names "data.txt" as the refusals do.
std::vector<std::string> WarningLines(const InputWarnings& warnings, const std::string& data_file);

}  // namespace quorvale
