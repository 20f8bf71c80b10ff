// The persons' names as rules, rule columns and pin columns name them: compared after Unicode
// normalisation (NFC, with utf8proc) and trimming, so that a name typed with a decomposed "ü"
// finds its person. A name held by two rows, or a row without a name, can be named by nothing.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvale {

// `text` trimmed and in NFC; `text` trimmed as it is when it is not valid UTF-8.
std::string NormalName(std::string_view text);

class PersonNames {
 public:
  // `names[p]` names person p + 1.
  explicit PersonNames(const std::vector<std::string>& names);

  // Person 0..N-1 whose normal name is `name`'s; the rows holding it when there are several;
  // nothing when none does.
  struct Match {
    int person = -1;
    std::vector<int> rows;  // all rows with that name (two or more: ambiguous)
  };
  Match Find(std::string_view name) const;
  // The names most like `name`, for a message.
  std::vector<std::string> Closest(std::string_view name) const;
  // Names held by more than one row (each with its rows), and rows without a name.
  std::vector<std::pair<std::string, std::vector<int>>> Duplicates() const;
  std::vector<int> Unnamed() const;

 private:
  std::vector<std::string> names_;
  std::unordered_map<std::string, std::vector<int>> rows_of_;  // normal name -> rows 0..N-1
};

}  // namespace quorvale
