// How the report and the summary name things: scores in the units the user wrote, and persons,
// groups and rules listed so that no name can run into the next.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/report_data.h"

namespace quorvale {

// A score, weight or gap of hundredths: a whole number in the mix file's units in roster mode
// ("1400"), points otherwise ("14.00").
std::string ScoreText(const ReportData& data, int64_t hundredths);

// `name`, in double quotes (with its own quotes doubled) when it holds a comma, a semicolon or a
// quote, so that a list of names reads one way only.
std::string QuotedName(const std::string& name);

// The names joined by ", ", each as QuotedName gives it: Zoë Becker, "Brandt-Özdemir, Lea".
std::string NameList(const std::vector<std::string>& names);

// Person p's name, or "Person p" where the data names nobody.
std::string PersonName(const ReportData& data, int person);

// Group g in words: its name, or "group g".
std::string GroupWord(const ReportData& data, int group);

// A rule as the user states it: "together: Zoë Becker, "Brandt-Özdemir, Lea"".
std::string RuleLabel(bool apart, const std::vector<std::string>& names);
std::string RuleLabel(const ReportData& data, const ReportRule& rule);

}  // namespace quorvale
