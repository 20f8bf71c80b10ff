// Names by their normal form.
#include "roster/person_names.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>

#include "roster/closest_names.h"
#include "roster/roster_csv.h"

namespace quorvale {

std::string NormalName(std::string_view text) {
  const std::string_view trimmed = Trim(text);
  utf8proc_uint8_t* normal = nullptr;
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(trimmed.data()),
                   static_cast<utf8proc_ssize_t>(trimmed.size()), &normal,
                   static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  if (length < 0) return std::string(trimmed);
  std::string result(reinterpret_cast<const char*>(normal), static_cast<size_t>(length));
  std::free(normal);
  return result;
}

PersonNames::PersonNames(const std::vector<std::string>& names) {
  for (size_t p = 0; p < names.size(); ++p) {
    names_.push_back(NormalName(names[p]));
    if (!names_.back().empty()) rows_of_[names_.back()].push_back(static_cast<int>(p));
  }
}

PersonNames::Match PersonNames::Find(std::string_view name) const {
  Match match;
  const auto it = rows_of_.find(NormalName(name));
  if (it == rows_of_.end()) return match;
  match.rows = it->second;
  if (match.rows.size() == 1) match.person = match.rows[0];
  return match;
}

std::vector<std::string> PersonNames::Closest(std::string_view name) const {
  return ClosestNames(NormalName(name), names_);
}

std::vector<std::pair<std::string, std::vector<int>>> PersonNames::Duplicates() const {
  std::vector<std::pair<std::string, std::vector<int>>> twice;
  for (const auto& [name, rows] : rows_of_) {
    if (rows.size() > 1) twice.emplace_back(name, rows);
  }
  std::sort(twice.begin(), twice.end(),
            [](const auto& a, const auto& b) { return a.second.front() < b.second.front(); });
  return twice;
}

std::vector<int> PersonNames::Unnamed() const {
  std::vector<int> rows;
  for (size_t p = 0; p < names_.size(); ++p) {
    if (names_[p].empty()) rows.push_back(static_cast<int>(p));
  }
  return rows;
}

}  // namespace quorvale
