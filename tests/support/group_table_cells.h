// Every cell of a group table, person by person, for comparing tables in tests.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/group_table.h"

namespace quorvale::test {

inline std::vector<int32_t> GroupTableCells(const GroupTable& table) {
  std::vector<int32_t> cells;
  for (int p = 0; p < table.persons(); ++p) {
    for (int g = 0; g < table.groups(); ++g) cells.push_back(table(p, g));
  }
  return cells;
}

}  // namespace quorvale::test
