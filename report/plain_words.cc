#include "report/plain_words.h"

#include "base/format.h"
#include "report/verdict.h"

namespace quorvale {

std::string ScoreText(const ReportData& data, int64_t hundredths) {
  if (!data.mix_units) return FormatPoints(hundredths);
  return StringPrintf("%lld", static_cast<long long>(hundredths));
}

std::string QuotedName(const std::string& name) {
  if (name.find_first_of(",;\"") == std::string::npos) return name;
  std::string quoted = "\"";
  for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + QuotedName(name);
  return list;
}

std::string PersonName(const ReportData& data, int person) {
  if (static_cast<size_t>(person) < data.names.size()) {
    return data.names[static_cast<size_t>(person)];
  }
  return StringPrintf("Person %d", person);
}

std::string GroupWord(const ReportData& data, int group) {
  if (static_cast<size_t>(group) < data.group_names.size()) {
    return data.group_names[static_cast<size_t>(group)];
  }
  return StringPrintf("group %d", group);
}

std::string RuleLabel(bool apart, const std::vector<std::string>& names) {
  return std::string(apart ? "apart: " : "together: ") + NameList(names);
}

std::string RuleLabel(const ReportData& data, const ReportRule& rule) {
  std::vector<std::string> names;
  for (const int member : rule.members) names.push_back(PersonName(data, member));
  return RuleLabel(rule.apart, names);
}

}  // namespace quorvale
