// Every cell of a group table, group by group, for comparing tables in tests.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/group_table.h"

namespace quorvale::test {

inline std::vector<int32_t> GroupTableCells(const GroupTable& table) {
  std::vector<int32_t> cells;
  cells.reserve(static_cast<size_t>(table.persons()) * static_cast<size_t>(table.groups()));
  for (int g = 0; g < table.groups(); ++g) {
    const int32_t* column = table.Column(g);
    cells.insert(cells.end(), column, column + table.persons());
  }
  return cells;
}

}  // namespace quorvale::test
