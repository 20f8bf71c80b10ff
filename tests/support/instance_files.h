// Input files for runs of the real program: generated "parameters.txt" and "data.txt" texts
// of a chosen size, from a quick search that ends at once to one that would run for days.
#pragma once

#include <cstdint>
#include <string>

namespace quorvale::test {

struct InstanceShape {
  int persons = 60;
  int groups = 6;
  int attribute_columns = 4;
  int type_mode = 1;
  // The schedule; the defaults plan far more cycles than any test waits for.
  int run_count = 100000;
  int stages_per_run = 3;
  int focus_cycles = 3;
  int spread_cycles = 2;
  uint32_t seed = 1;
};

struct InstanceTexts {
  std::string parameters;
  std::string data;
};

// Random persons of both types with codes shared by enough persons that every group must hold
// some conflicts, so the target is out of reach and the search keeps improving for a while.
// Weights are positive and distinct, plus one negative column when there are three or more.
InstanceTexts MakeInstance(const InstanceShape& shape);

// A search that is still running long after interim saving has begun.
InstanceShape LongSearch(int persons, uint32_t seed);

// A search of a few cycles that ends well within its quiet first seconds.
InstanceShape QuickSearch();

// Writes parameters.txt and data.txt into `folder`; throws when that fails.
void WriteInstanceFiles(const std::string& folder, const InstanceTexts& texts);

}  // namespace quorvale::test
