// Each line is read off the grouping itself (the members per group of each value); whether a
// column is at its best is the engine's own measure, its contribution against its least.
#include "report/plain_verdict.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "base/format.h"
#include "engine/conflict_matrix.h"
#include "engine/wish_terms.h"
#include "report/column_categories.h"
#include "report/html_report.h"
#include "report/meeting_counts.h"
#include "report/plain_words.h"

namespace quorvale {

namespace {

using Mark = PlainLine::Mark;

// Values named on a column's line, and persons on a buddy line; the rest are counted.
constexpr size_t kValuesNamed = 3;
constexpr size_t kPersonsNamed = 6;

std::string Count(int64_t count) { return StringPrintf("%lld", static_cast<long long>(count)); }

std::string Range(int64_t low, int64_t high) {
  return low == high ? Count(low) : Count(low) + "-" + Count(high);
}

// "Class" becomes "class" in "6 of each class"; "SEN" stays as it is.
std::string InSentence(std::string name) {
  if (name.size() >= 2 && name[0] >= 'A' && name[0] <= 'Z' && !(name[1] >= 'A' && name[1] <= 'Z')) {
    name[0] = static_cast<char>(name[0] - 'A' + 'a');
  }
  return name;
}

// "a, b and c"
std::string Joined(const std::vector<std::string>& parts, const char* last) {
  std::string text;
  for (size_t i = 0; i < parts.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == parts.size() ? last : ", ") + parts[i];
  }
  return text;
}

// The members of each group 1..G in `grouping`.
std::vector<int64_t> MembersPerGroup(const Problem& p, const std::vector<int32_t>& grouping) {
  std::vector<int64_t> sizes(static_cast<size_t>(p.GroupCount()) + 1, 0);
  for (int i = 1; i <= p.PersonCount(); ++i) ++sizes[size_t(grouping[size_t(i)])];
  return sizes;
}

class Lines {
 public:
  Lines(const Problem& p, const ReportData& data, const std::vector<int32_t>& grouping)
      : p_(p), data_(data), grouping_(grouping), sizes_(MembersPerGroup(p, grouping)) {}
  // The lines on the wishes that one grouping keeps or not.
  std::vector<PlainLine> Make();
  // The lines on the whole: the meetings over rounds, and how far from the best possible.
  std::vector<PlainLine> MakeWhole();

 private:
  void Add(std::string text, Mark mark = Mark::kMet) { lines_.push_back({std::move(text), mark}); }
  void Sizes();
  void Balance();
  void Column(const ReportColumn& column, int64_t part);
  void Buddy(const WishTerms& terms, size_t w);
  void Average(const WishTerms& terms, size_t w);
  void Meetings();
  void Rules();
  void Pins();
  void Overall();
  int64_t GroupLow(const ColumnCategory& c) const;
  int64_t GroupHigh(const ColumnCategory& c) const;

  const Problem& p_;
  const ReportData& data_;
  const std::vector<int32_t>& grouping_;
  const std::vector<int64_t> sizes_;
  std::vector<PlainLine> lines_;
};

std::vector<PlainLine> Lines::Make() {
  Sizes();
  Balance();
  const std::vector<int64_t> parts = ColumnContributions(p_, grouping_);
  for (const ReportColumn& column : data_.columns) {
    if (!column.is_rule && p_.ColumnBounds[size_t(column.column)].weight != 0) {
      Column(column, parts[size_t(column.column)]);
    }
  }
  if (!p_.Buddies.empty() || !p_.Averages.empty()) {
    WishTerms terms(p_);
    terms.Load(grouping_);
    for (size_t w = 0; w < p_.Buddies.size(); ++w) Buddy(terms, w);
    for (size_t w = 0; w < p_.Averages.size(); ++w) Average(terms, w);
  }
  Rules();
  Pins();
  return std::move(lines_);
}

std::vector<PlainLine> Lines::MakeWhole() {
  Meetings();
  Overall();
  return std::move(lines_);
}

void Lines::Sizes() {
  std::vector<std::string> planned, found;
  bool differ = false;
  for (int g = 1; g <= p_.GroupCount(); ++g) {
    planned.push_back(Count(p_.GroupSize(g)));
    found.push_back(Count(sizes_[size_t(g)]));
    differ |= sizes_[size_t(g)] != p_.GroupSize(g);
  }
  if (!differ) return;
  const bool equal = std::all_of(planned.begin(), planned.end(),
                                 [&](const std::string& s) { return s == planned.front(); });
  Add("Group sizes: " + Joined(found, ", ") + ", where the mix asks for " +
          (equal ? planned.front() + " each" : Joined(planned, ", ")),
      Mark::kBroken);
}

void Lines::Balance() {
  if (data_.balance_values.empty()) return;
  std::vector<std::string> values;  // in order of first appearance
  std::map<std::string, std::vector<int64_t>> counts;
  std::map<std::string, int64_t> totals;
  for (int i = 1; i <= p_.PersonCount() && size_t(i) < data_.balance_values.size(); ++i) {
    const std::string& value = data_.balance_values[size_t(i)];
    std::vector<int64_t>& row = counts[value];
    if (row.empty()) {
      row.assign(static_cast<size_t>(p_.GroupCount()) + 1, 0);
      values.push_back(value);
    }
    ++row[size_t(grouping_[size_t(i)])];
    ++totals[value];
  }
  bool even = true, uniform = true;
  std::vector<std::string> each, ranges;
  for (const std::string& value : values) {
    const std::vector<int64_t>& row = counts[value];
    const auto [low, high] = std::minmax_element(row.begin() + 1, row.end());
    for (int g = 1; g <= p_.GroupCount(); ++g) {
      // A value's share of a group is its share of the whole list.
      const int64_t share = totals[value] * sizes_[size_t(g)];
      const int64_t n = p_.PersonCount();
      even &= row[size_t(g)] >= share / n && row[size_t(g)] <= (share + n - 1) / n;
    }
    uniform &= *low == *high;
    const std::string shown = QuotedName(value.empty() ? "(empty)" : value);
    each.push_back(Count(*low) + " " + shown);
    ranges.push_back(shown + " " + Range(*low, *high) + (ranges.empty() ? " per group" : ""));
  }
  Add(data_.balance_name + ": " +
          (uniform ? "every group holds " + Joined(each, " and ") : Joined(ranges, ", ")) +
          (even ? " (as even as possible)" : " (not as even as possible)"),
      even ? Mark::kMet : Mark::kShort);
}

int64_t Lines::GroupLow(const ColumnCategory& c) const {
  return *std::min_element(c.per_group.begin() + 1, c.per_group.end());
}
int64_t Lines::GroupHigh(const ColumnCategory& c) const {
  return *std::max_element(c.per_group.begin() + 1, c.per_group.end());
}

void Lines::Column(const ReportColumn& column, int64_t part) {
  const ColumnBound& bound = p_.ColumnBounds[size_t(column.column)];
  const bool spread = bound.weight > 0;
  std::string majority;
  struct Phrase {
    std::string text;
    bool off = false;
    int64_t count = 0;  // the one count of every group, for a spread value
    bool single = false;
  };
  std::vector<Phrase> phrases;
  for (const ColumnCategory& category : ColumnCategories(p_, column, grouping_)) {
    if (category.majority) majority = category.label;
    if (category.majority || category.holders < 2) continue;
    const std::string label = QuotedName(category.others ? "all but " + majority : category.label);
    Phrase phrase;
    if (spread) {
      const int64_t low = GroupLow(category), high = GroupHigh(category);
      phrase = {label + " " + Range(low, high), high - low > 1, low, low == high};
    } else {
      int64_t holding = 0, pairs = 0, group = 0;
      for (int g = 1; g <= p_.GroupCount(); ++g) {
        const int64_t c = category.per_group[size_t(g)];
        holding += c > 0;
        pairs += c * (c - 1) / 2;
        if (c > 0) group = g;
      }
      const int64_t most =
          p_.GroupSizes.empty()
              ? MaxPackedPairs(category.holders, p_.BaseGroupSize, p_.LargeGroupCount)
              : MaxPackedPairsIn(category.holders, SizesLargestFirst(p_));
      const int64_t fewest =
          p_.GroupSizes.empty()
              ? FewestGroupsFor(category.holders, p_.BaseGroupSize, p_.LargeGroupCount)
              : FewestGroupsIn(category.holders, SizesLargestFirst(p_));
      phrase.off = pairs < most;
      phrase.text = holding == 1
                        ? label + ": all " + Count(category.holders) + " in " +
                              GroupWord(data_, static_cast<int>(group))
                        : label + ": " + Count(category.holders) + " in " + Count(holding) +
                              " groups" +
                              (fewest < holding ? " (" + Count(fewest) + " would do)" : "");
    }
    phrases.push_back(std::move(phrase));
  }
  std::string text = column.name + ": ";
  if (phrases.empty()) {
    text += "no two persons share a value";
  } else if (spread && majority.empty() &&
             std::all_of(phrases.begin(), phrases.end(), [&](const Phrase& ph) {
               return ph.single && ph.count == phrases.front().count;
             })) {
    text +=
        "every group holds " + Count(phrases.front().count) + " of each " + InSentence(column.name);
  } else {
    // The values off their best first, then the most held.
    std::stable_partition(phrases.begin(), phrases.end(), [](const Phrase& ph) { return ph.off; });
    for (size_t k = 0; k < phrases.size() && k < kValuesNamed; ++k) {
      text += (k == 0   ? ""
               : spread ? ", "
                        : "; ") +
              phrases[k].text + (spread && k == 0 ? " per group" : "");
    }
    if (phrases.size() > kValuesNamed) {
      text +=
          (spread ? " and " : "; and ") + Count(int64_t(phrases.size() - kValuesNamed)) + " more";
    }
  }
  const char* aim = spread ? "even" : "packed";
  const bool least = part <= bound.least;
  text += least
              ? StringPrintf(" (as %s as possible)", aim)
              : StringPrintf(" (not as %s as possible: %s more than its least, weight %d)", aim,
                             ScoreText(data_, part - bound.least).c_str(), std::abs(bound.weight));
  Add(text, least ? Mark::kMet : Mark::kShort);
}

void Lines::Buddy(const WishTerms& terms, size_t w) {
  const BuddyWish& wish = p_.Buddies[w];
  const ReportBuddy* shown = w < data_.buddies.size() ? &data_.buddies[w] : nullptr;
  const auto label = [&](int32_t v) {
    return shown != nullptr && size_t(v) <= shown->labels.size() ? shown->labels[size_t(v - 1)]
                                                                 : Count(v);
  };
  std::vector<int64_t> holders(size_t(wish.values) + 1, 0);
  for (int i = 1; i <= p_.PersonCount(); ++i) ++holders[size_t(wish.value[size_t(i)])];
  std::vector<std::string> alone;
  int64_t only = 0;  // alone because nobody else in the list holds their value
  for (int i = 1; i <= p_.PersonCount(); ++i) {
    const int32_t v = wish.value[size_t(i)];
    const int32_t g = grouping_[size_t(i)];
    if (v == 0 || g == 0 || terms.BuddyHolders(w, g, v) != 1) continue;
    only += holders[size_t(v)] == 1;
    alone.push_back(QuotedName(PersonName(data_, i)) + " (" + QuotedName(label(v)) + ", " +
                    GroupWord(data_, g) + ")");
  }
  std::string text = (shown != nullptr ? shown->name : StringPrintf("Buddy column %zu", w + 1)) +
                     ", a buddy for everyone: ";
  if (alone.empty()) {
    Add(text + "nobody is alone with their value in their group");
    return;
  }
  text += Count(int64_t(alone.size())) + " alone with their value in their group: ";
  for (size_t k = 0; k < alone.size() && k < kPersonsNamed; ++k) {
    text += (k == 0 ? "" : "; ") + alone[k];
  }
  if (alone.size() > kPersonsNamed) {
    text += "; and " + Count(int64_t(alone.size() - kPersonsNamed)) + " more";
  }
  text += StringPrintf(" (weight %d each", wish.weight);
  if (only > 0) {
    text += only == int64_t(alone.size())
                ? std::string(alone.size() == 1 ? "; nobody else" : "; no others") +
                      " in the list holds their value"
                : "; " + Count(only) + " of them hold a value nobody else in the list holds";
  }
  Add(text + ")", only == int64_t(alone.size()) ? Mark::kMet : Mark::kShort);
}

void Lines::Average(const WishTerms& terms, size_t w) {
  const AverageWish& wish = p_.Averages[w];
  const std::string name = w < data_.averages.size() ? data_.averages[w].name
                                                     : StringPrintf("Average column %zu", w + 1);
  const double unit = std::pow(10.0, wish.decimals);
  double n = 0, sum = 0;
  for (size_t i = 1; i < wish.value.size(); ++i) {
    if (!wish.present[i]) continue;
    n += 1;
    sum += static_cast<double>(wish.value[i]) / unit;
  }
  double low = 0, high = 0;
  bool first = true;
  for (int g = 1; g <= p_.GroupCount(); ++g) {
    const WishTerms::GroupFigures figures = terms.AverageFigures(w, g);
    if (figures.persons == 0) continue;
    low = first ? figures.mean : std::min(low, figures.mean);
    high = first ? figures.mean : std::max(high, figures.mean);
    first = false;
  }
  const int decimals = std::clamp(wish.decimals + 1, 1, 3);
  Add(name + ", averages to match: " +
      StringPrintf("group means %.*f to %.*f, the whole list's %.*f (weight %d)", decimals, low,
                   decimals, high, decimals, n > 0 ? sum / n : 0.0, wish.weight));
}

void Lines::Meetings() {
  if (p_.BestRounds.size() <= 1) return;
  const MeetingCounts counts = CountMeetings(p_);
  const std::string over = StringPrintf("Meetings over %zu rounds: ", p_.BestRounds.size());
  const std::string least = "no schedule has fewer than " + Count(counts.least_repeats);
  if (counts.repeated_pairs == 0) {
    Add(over + "no pair meets in more than one round (together rules aside)");
    return;
  }
  Add(over + Count(counts.repeated_pairs) +
          (counts.repeated_pairs == 1 ? " pair meets" : " pairs meet") + " more than once, " +
          Count(counts.repeats) + " meetings beyond a pair's first" +
          StringPrintf(" (weight %d each; ", data_.repeat_weight) + least + ")",
      counts.repeats > counts.least_repeats ? Mark::kShort : Mark::kMet);
}

void Lines::Rules() {
  if (data_.rules.empty()) return;
  std::vector<PlainLine> broken;
  for (const ReportRule& rule : data_.rules) {
    if (RuleKept(rule, grouping_)) continue;
    std::vector<std::string> groups;
    for (const int member : rule.members) {
      groups.push_back(QuotedName(GroupWord(data_, grouping_[size_t(member)])));
    }
    broken.push_back(
        {"Rule broken: " + RuleLabel(data_, rule) + " (in " + Joined(groups, " and ") + ")",
         Mark::kBroken});
  }
  const size_t total = data_.rules.size();
  const size_t kept = total - broken.size();
  Add(kept == total && total > 1 ? StringPrintf("Rules: all %zu kept", total)
                                 : StringPrintf("Rules: %zu of %zu kept", kept, total),
      kept == total ? Mark::kMet : Mark::kBroken);
  lines_.insert(lines_.end(), broken.begin(), broken.end());
}

void Lines::Pins() {
  std::vector<PlainLine> broken;
  size_t pinned = 0;
  for (int i = 1; i <= p_.PersonCount() && size_t(i) < data_.pins.size(); ++i) {
    const int32_t pin = data_.pins[size_t(i)];
    if (pin == 0) continue;
    ++pinned;
    const int32_t group = grouping_[size_t(i)];
    if (group == pin) continue;
    broken.push_back({"Pin broken: " + QuotedName(PersonName(data_, i)) + " is in " +
                          GroupWord(data_, group) + ", pinned to " + GroupWord(data_, pin),
                      Mark::kBroken});
  }
  if (pinned == 0) return;
  Add(broken.empty() && pinned > 1
          ? StringPrintf("Pins: all %zu kept", pinned)
          : StringPrintf("Pins: %zu of %zu kept", pinned - broken.size(), pinned),
      broken.empty() ? Mark::kMet : Mark::kBroken);
  lines_.insert(lines_.end(), broken.begin(), broken.end());
}

void Lines::Overall() {
  if (!data_.verdict) return;
  const Verdict& v = *data_.verdict;
  if (!data_.bounds_hold) {
    Add("How far it lies from the best possible is not known: its group sizes are not the mix's",
        Mark::kShort);
  } else if (v.BestScore <= v.TargetScore || v.proven_best) {
    Add("No grouping can do better");
  } else {
    Add("At most " + ScoreText(data_, v.Gap()) + " from the best possible", Mark::kShort);
  }
}

}  // namespace

std::vector<PlainLine> PlainVerdictLines(const Problem& problem, const ReportData& data) {
  std::vector<PlainLine> lines;
  if (problem.BestRounds.size() <= 1) {
    lines = Lines(problem, data, problem.BestAssignment).Make();
  } else {
    // A line every round has in common is said once; the others once a round, with its number.
    std::vector<std::vector<PlainLine>> rounds;
    for (const std::vector<int32_t>& grouping : problem.BestRounds) {
      rounds.push_back(Lines(problem, data, grouping).Make());
    }
    const auto in = [](const std::vector<PlainLine>& list, const PlainLine& line) {
      return std::any_of(list.begin(), list.end(), [&](const PlainLine& other) {
        return other.text == line.text && other.mark == line.mark;
      });
    };
    const auto common = [&](const PlainLine& line) {
      return std::all_of(rounds.begin(), rounds.end(),
                         [&](const std::vector<PlainLine>& list) { return in(list, line); });
    };
    for (const PlainLine& line : rounds.front()) {
      if (common(line)) lines.push_back({"Every round: " + line.text, line.mark});
    }
    for (size_t r = 0; r < rounds.size(); ++r) {
      for (const PlainLine& line : rounds[r]) {
        if (!common(line))
          lines.push_back({StringPrintf("Round %zu: ", r + 1) + line.text, line.mark});
      }
    }
  }
  for (PlainLine& line : Lines(problem, data, problem.BestAssignment).MakeWhole()) {
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace quorvale
