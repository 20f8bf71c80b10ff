// Suggestions for a name that matches nothing: the known names closest to it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

// Up to `count` of `known`, closest to `wanted` first (edit distance, ignoring ASCII case).
std::vector<std::string> ClosestNames(std::string_view wanted,
                                      const std::vector<std::string>& known, size_t count = 3);

// "\"A\", \"B\" or \"C\"".
std::string QuotedChoice(const std::vector<std::string>& names);

}  // namespace quorvale
