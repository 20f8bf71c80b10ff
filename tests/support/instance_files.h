// Generated "parameters.txt" and "data.txt" for runs of the real program.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>

namespace quorvale::test {

// Writes into `folder` an instance of `persons` random persons of both types in persons / 25
// groups (at least 2), with six weighted columns whose codes are shared by so many persons that
// no grouping avoids every conflict: the search keeps improving for a while. A quick instance
// searches three cycles and ends within its quiet first seconds; any other runs for days.
inline void WriteInstance(const std::string& folder, int persons, unsigned long seed, bool quick) {
  std::mt19937 rng(seed);
  auto draw = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int groups = std::max(2, persons / 25);
  const int codes = std::max(1, persons * 2 / (3 * groups));  // some 1.5 holders per group
  std::ofstream(folder + "/parameters.txt")
      << persons << "\n8\n1\n"
      << groups << (quick ? "\n1\n1\n2\n1\n" : "\n100000\n3\n3\n2\n");
  std::ofstream data(folder + "/data.txt");
  data << "0\t0\t97\t89\t-41\t79\t73\t71\n";
  for (int person = 1; person <= persons; ++person) {
    data << person << "\t" << draw(1, 2);
    for (int c = 0; c < 6; ++c) data << "\t" << (draw(0, 9) ? draw(1, codes) : 0);
    data << "\n";
  }
}

}  // namespace quorvale::test
