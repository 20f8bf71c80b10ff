// Buddy and average tables.
#include "report/wish_tables.h"

#include <cmath>

#include "base/format.h"
#include "engine/wish_terms.h"
#include "report/html_text.h"
#include "report/plain_words.h"

namespace quorvale {

namespace {

std::string Number(double value) { return StringPrintf("%.1f", value); }

std::string BuddyTable(const Problem& p, const ReportData& data, const WishTerms& terms, size_t w,
                       const std::vector<int32_t>& grouping) {
  const BuddyWish& wish = p.Buddies[w];
  const ReportBuddy* shown = w < data.buddies.size() ? &data.buddies[w] : nullptr;
  const std::string name = shown != nullptr ? shown->name : StringPrintf("Buddy column %zu", w + 1);
  std::string out = "<h3>" + EscapeHtml(name) + " (a buddy for everyone, weight " +
                    StringPrintf("%d", wish.weight) +
                    ")</h3>\n<table class=\"balance\">\n<tr><th>Value</th>";
  for (int g = 1; g <= p.GroupCount(); ++g) out += Cell(GroupLabel(data, g), "n", "th");
  out += "</tr>\n";
  for (int32_t v = 1; v <= wish.values; ++v) {
    const std::string label = shown != nullptr && size_t(v) <= shown->labels.size()
                                  ? shown->labels[size_t(v - 1)]
                                  : StringPrintf("%d", v);
    out += "<tr>" + Cell(label);
    for (int g = 1; g <= p.GroupCount(); ++g) {
      const int32_t holders = terms.BuddyHolders(w, g, v);
      out += Cell(StringPrintf("%d", holders), holders == 1 ? "n over" : "n");
    }
    out += "</tr>\n";
  }
  out += "</table>\n";
  std::string alone;
  for (int i = 1; i <= p.PersonCount(); ++i) {
    const int32_t v = wish.value[size_t(i)];
    const int32_t g = grouping[size_t(i)];
    if (v == 0 || g == 0 || terms.BuddyHolders(w, g, v) != 1) continue;
    alone += "<li>" + EscapeHtml(PersonName(data, i)) + " (" +
             EscapeHtml(shown != nullptr ? shown->labels[size_t(v - 1)] : std::to_string(v)) +
             ", " + EscapeHtml(GroupLabel(data, g)) + ")</li>\n";
  }
  out += alone.empty() ? "<p>Nobody is the only holder of their value in their group.</p>\n"
                       : "<p>Alone with their value in their group:</p>\n<ul class=\"alone\">\n" +
                             alone + "</ul>\n";
  return out;
}

std::string AverageTable(const Problem& p, const ReportData& data, const WishTerms& terms,
                         size_t w) {
  const AverageWish& wish = p.Averages[w];
  const std::string name =
      w < data.averages.size() ? data.averages[w].name : StringPrintf("Average column %zu", w + 1);
  // The whole list's figures, from its numbers.
  double n = 0, sum = 0, squares = 0;
  const double unit = std::pow(10.0, wish.decimals);
  for (size_t i = 1; i < wish.value.size(); ++i) {
    if (!wish.present[i]) continue;
    const double x = static_cast<double>(wish.value[i]) / unit;
    n += 1;
    sum += x;
    squares += x * x;
  }
  const double mean = n > 0 ? sum / n : 0;
  const double deviation = n > 0 ? std::sqrt(std::max(0.0, squares / n - mean * mean)) : 0;
  std::string out = "<h3>" + EscapeHtml(name) + " (averages to match, weight " +
                    StringPrintf("%d", wish.weight) +
                    ")</h3>\n<table class=\"average\">\n<tr><th>Group</th><th "
                    "class=\"n\">With a number</th><th class=\"n\">Mean (SD)</th></tr>\n";
  for (int g = 1; g <= p.GroupCount(); ++g) {
    const WishTerms::GroupFigures figures = terms.AverageFigures(w, g);
    out += "<tr>" + Cell(GroupLabel(data, g)) +
           Cell(StringPrintf("%lld", static_cast<long long>(figures.persons)), "n") +
           Cell(Number(figures.mean) + " (" + Number(figures.deviation) + ")", "n") + "</tr>\n";
  }
  out += "<tr><th>All</th>" + Cell(StringPrintf("%.0f", n), "n", "th") +
         Cell(Number(mean) + " (" + Number(deviation) + ")", "n", "th") + "</tr>\n</table>\n";
  return out;
}

}  // namespace

std::string GroupLabel(const ReportData& data, int group) {
  if (static_cast<size_t>(group) < data.group_names.size()) return data.group_names[size_t(group)];
  return StringPrintf("G%d", group);
}

std::string WishTables(const Problem& p, const ReportData& data,
                       const std::vector<int32_t>& grouping) {
  if (p.Buddies.empty() && p.Averages.empty()) return "";
  WishTerms terms(p);
  terms.Load(grouping);
  std::string out =
      "<h2>Buddies and averages</h2>\n<p class=\"note\">A buddy column wants nobody to be the "
      "only holder of their value in their group (a shaded cell holds one alone); an average "
      "column wants the groups' means alike and their spread like the whole list's.</p>\n";
  for (size_t w = 0; w < p.Buddies.size(); ++w) out += BuddyTable(p, data, terms, w, grouping);
  for (size_t w = 0; w < p.Averages.size(); ++w) out += AverageTable(p, data, terms, w);
  return out;
}

}  // namespace quorvale
