// The warnings about unused input. A long list of persons is cut to its first few and a count,
// so that the line stays one line.
#include "input/input_warnings.h"

#include "base/format.h"

namespace quorvale {

namespace {

constexpr size_t kPersonsNamed = 5;

// "3", "3 and 4", "3, 4 and 5", or "3, 4, 5, 6, 7 and 12 more".
std::string NamePersons(const std::vector<int32_t>& persons) {
  const size_t named = persons.size() > kPersonsNamed ? kPersonsNamed : persons.size();
  std::string text;
  for (size_t i = 0; i < named; ++i) {
    if (i > 0) text += i + 1 == named && named == persons.size() ? " and " : ", ";
    text += std::to_string(persons[i]);
  }
  if (named < persons.size()) text += StringPrintf(" and %zu more", persons.size() - named);
  return text;
}

}  // namespace

std::vector<int32_t> FindPersonsLeftOut(const Model& model) {
  std::vector<int32_t> persons;
  // TypeMode 3 counts everyone as type 1.
  if (model.params.TypeMode == 3) return persons;
  for (int32_t p = 1; p <= model.PersonCount(); ++p) {
    const int32_t type = model.Type(p);
    if (type != 1 && type != 2) persons.push_back(p);
  }
  return persons;
}

std::vector<std::string> WarningLines(const InputWarnings& warnings, const std::string& data_file) {
  std::vector<std::string> lines;
  if (warnings.rows_not_read > 0) {
    const bool one = warnings.rows_not_read == 1;
    lines.push_back(StringPrintf(
        "quorvalemixer: warning: %s:%zu: %lld row%s after the last person's row %s not read; "
        "PersonCount in parameters.txt sets how many rows are read.\n",
        data_file.c_str(), warnings.first_line_not_read,
        static_cast<long long>(warnings.rows_not_read), one ? "" : "s", one ? "was" : "were"));
  }
  if (!warnings.persons_left_out.empty()) {
    const size_t count = warnings.persons_left_out.size();
    lines.push_back(StringPrintf(
        "quorvalemixer: warning: %s: %zu person%s of a type other than 1 or 2 %s left out of "
        "every group: person%s %s.\n",
        data_file.c_str(), count, count == 1 ? "" : "s", count == 1 ? "was" : "were",
        count == 1 ? "" : "s", NamePersons(warnings.persons_left_out).c_str()));
  }
  return lines;
}

}  // namespace quorvale
