// Generated instances.
#include "tests/support/instance_files.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <stdexcept>

namespace quorvale::test {

namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace

InstanceTexts MakeInstance(const InstanceShape& shape) {
  std::mt19937 rng(shape.seed);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int columns = shape.attribute_columns + 2;
  InstanceTexts texts;
  texts.parameters = std::to_string(shape.persons) + "\n" + std::to_string(columns) + "\n" +
                     std::to_string(shape.type_mode) + "\n" + std::to_string(shape.groups) + "\n" +
                     std::to_string(shape.run_count) + "\n" + std::to_string(shape.stages_per_run) +
                     "\n" + std::to_string(shape.focus_cycles) + "\n" +
                     std::to_string(shape.spread_cycles) + "\n";

  // Distinct weights make distinct scores common, so improvements are real and frequent.
  static constexpr int kWeights[] = {97, 89, 83, 79, 73, 71, 67, 61, 59, 53, 47, 43};
  std::string& data = texts.data;
  data = "0\t0";
  for (int c = 0; c < shape.attribute_columns; ++c) {
    const int weight = kWeights[c % 12];
    data += "\t" + std::to_string(c == 2 ? -weight / 2 : weight);
  }
  data += "\n";
  // About 1.5 holders of each code per group: conflicts that no grouping avoids.
  const int codes = std::max(1, shape.persons * 2 / (3 * std::max(1, shape.groups)));
  for (int person = 1; person <= shape.persons; ++person) {
    data += std::to_string(person) + "\t" + std::to_string(uniform(1, 2));
    for (int c = 0; c < shape.attribute_columns; ++c) {
      data += "\t" + std::to_string(uniform(0, 9) == 0 ? 0 : uniform(1, codes));
    }
    data += "\n";
  }
  return texts;
}

InstanceShape LongSearch(int persons, uint32_t seed) {
  InstanceShape shape;
  shape.persons = persons;
  shape.groups = std::max(2, persons / 25);
  shape.attribute_columns = 6;
  shape.seed = seed;
  return shape;
}

InstanceShape QuickSearch() {
  InstanceShape shape;
  shape.persons = 40;
  shape.groups = 4;
  shape.attribute_columns = 3;
  shape.run_count = 1;
  shape.stages_per_run = 1;
  shape.focus_cycles = 2;
  shape.spread_cycles = 1;
  return shape;
}

void WriteInstanceFiles(const std::string& folder, const InstanceTexts& texts) {
  WriteText(folder + "/parameters.txt", texts.parameters);
  WriteText(folder + "/data.txt", texts.data);
}

}  // namespace quorvale::test
