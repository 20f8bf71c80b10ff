// Edit distance for suggestions.
#include "roster/closest_names.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace quorvale {

namespace {

size_t EditDistance(std::string_view a, std::string_view b) {
  auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  std::vector<size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), size_t{0});
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::vector<std::string> ClosestNames(std::string_view wanted,
                                      const std::vector<std::string>& known, size_t count) {
  std::vector<std::pair<size_t, size_t>> ranked;  // distance, index
  for (size_t i = 0; i < known.size(); ++i) ranked.emplace_back(EditDistance(wanted, known[i]), i);
  std::stable_sort(ranked.begin(), ranked.end());
  std::vector<std::string> closest;
  for (const auto& [distance, index] : ranked) {
    if (closest.size() == count) break;
    if (std::find(closest.begin(), closest.end(), known[index]) == closest.end()) {
      closest.push_back(known[index]);
    }
  }
  return closest;
}

std::string QuotedChoice(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += "\"" + names[i] + "\"";
  }
  return text;
}

}  // namespace quorvale
