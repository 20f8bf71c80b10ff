// The wishes a score of pairs cannot state, as the roster front end hands them over: a buddy for
// everyone (nobody the only holder of their value in their group) and groups whose averages match.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvale {

// Each person who is the only holder of their value in their group costs `weight`.
struct BuddyWish {
  int32_t weight = 0;          // in hundredths of a point
  std::vector<int32_t> value;  // N + 1: the person's value 1..values, 0 for none (empty, ignored)
  int32_t values = 0;
};

// The groups' totals of a number as near their share of the whole as can be, and the spread of
// the number within each group like the whole list's.
struct AverageWish {
  int32_t weight = 0;            // in hundredths of a point
  std::vector<int64_t> value;    // N + 1: the number in units of 10^-decimals
  std::vector<uint8_t> present;  // N + 1: 1 where the person has a number
  int32_t decimals = 0;
};

}  // namespace quorvale
