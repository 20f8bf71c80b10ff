// The report page. Every figure comes from the engine's tables: the per-column least
// contributions recorded as the Target Score was summed, the per-column contributions of the
// best grouping, BestPersonConflict for the groups' conflicts.
#include "report/html_report.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/format.h"
#include "engine/column_figures.h"
#include "report/column_categories.h"
#include "report/html_text.h"
#include "report/meeting_counts.h"
#include "report/plain_verdict.h"
#include "report/plain_words.h"
#include "report/verdict.h"
#include "report/wish_tables.h"

namespace quorvale {

namespace {

// The most categories a balance table lists; the rest are counted in a line below it.
constexpr size_t kMaxCategoryRows = 60;
// Beyond this many groups a table with a column for each group is too wide to read: the groups
// become rows, and a category's counts are summed up as how many groups hold how many.
constexpr int kMaxGroupColumns = 20;

constexpr const char* kStyle = R"(
body { font-family: sans-serif; font-size: 10.5pt; color: #111; margin: 1.5em; }
h1 { font-size: 16pt; margin-bottom: 0.2em; }
h2 { font-size: 13pt; border-bottom: 1px solid #999; margin-top: 1.4em; }
h2.round { font-size: 14pt; border-bottom: 3px solid #444; margin-top: 2em; }
h3 { font-size: 11pt; margin: 0.9em 0 0.3em; }
table { border-collapse: collapse; margin: 0.3em 0 0.8em; }
th, td { border: 1px solid #bbb; padding: 0.15em 0.45em; text-align: left; }
th { background: #eee; }
td.n, th.n { text-align: right; }
.verdict { font-size: 12pt; padding: 0.6em 0.8em; border: 2px solid #444; background: #f6f6f6; }
.reached { border-color: #2a7a2a; background: #eaf6ea; }
.over { background: #f4b6b0; font-weight: bold; }
.at { background: #e6f3e6; }
.note { color: #444; font-size: 9.5pt; }
.groups { display: flex; flex-wrap: wrap; gap: 0 1.5em; align-items: flex-start; }
.group { break-inside: avoid; page-break-inside: avoid; }
.kept { color: #1d6b1d; font-weight: bold; }
.broken { color: #a11; font-weight: bold; }
.short { color: #7a4b00; }
.verdict ul { margin: 0; padding-left: 1.2em; }
@page { size: A4; margin: 14mm; }
@media print { body { margin: 0; font-size: 9.5pt; } }
)";

// A balance value as the reader sees it: an empty cell is a value of its own.
std::string Shown(const std::string& value) { return value.empty() ? "(empty)" : value; }

std::string Plural(int64_t count, const char* one, const char* many) {
  return StringPrintf("%lld %s", static_cast<long long>(count), count == 1 ? one : many);
}

class Page {
 public:
  Page(const Problem& p, const ReportData& data) : p_(p), data_(data) {}
  std::string Render();

 private:
  void Verdict();
  void FolderVerdict();
  // Roster mode's: the verdict in words, then the scores in the mix file's units.
  void WordsVerdict();
  void GapTable();
  void Groups();
  void Balance();
  void BalanceTable(const ReportColumn& column, bool spread);
  // Members per group 1..G of each value of the balance column.
  std::map<std::string, std::vector<int64_t>> BalanceCounts() const;
  bool ManyGroups() const { return p_.GroupCount() > kMaxGroupColumns; }
  void Rules();
  void LeftOut();
  void Run();
  // With rounds: how many pairs meet how often, and the pairs that meet most.
  void Meetings();
  std::string GroupHeaders() const;
  // The grouping the sections show (the best one, or with rounds the round's), and its members.
  void Show(const std::vector<int32_t>& grouping);
  const std::vector<int32_t>& grouping() const { return *grouping_; }
  bool InRounds() const { return p_.BestRounds.size() > 1; }
  // A person's pair weights with the members of its group in the grouping shown.
  int64_t PersonConflict(int person) const;

  const Problem& p_;
  const ReportData& data_;
  const std::vector<int32_t>* grouping_ = nullptr;
  size_t round_ = 0;                       // with rounds, the round shown (0-based)
  std::vector<std::vector<int>> members_;  // of each group 0..G, in person order
  std::string out_;
};

void Page::Show(const std::vector<int32_t>& grouping) {
  grouping_ = &grouping;
  members_.assign(static_cast<size_t>(p_.GroupCount()) + 1, {});
  for (int i = 1; i <= p_.PersonCount(); ++i) {
    members_[static_cast<size_t>(grouping[static_cast<size_t>(i)])].push_back(i);
  }
}

int64_t Page::PersonConflict(int person) const {
  if (!InRounds()) return p_.BestPersonConflict[static_cast<size_t>(person)];
  const int16_t* row = p_.ConflictMatrix.Row(person);
  int64_t sum = 0;
  for (const int m : members_[static_cast<size_t>(grouping()[static_cast<size_t>(person)])]) {
    sum += row[m];
  }
  return sum;
}

std::string Page::Render() {
  out_ = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
         EscapeHtml("Grouping report: " + data_.title) + "</title>\n<style>" + kStyle +
         "</style>\n</head>\n<body>\n";
  out_ += "<h1>" + EscapeHtml("Grouping report: " + data_.title) + "</h1>\n";
  Show(p_.BestAssignment);
  Verdict();
  if (InRounds()) {
    Meetings();
    for (round_ = 0; round_ < p_.BestRounds.size(); ++round_) {
      Show(p_.BestRounds[round_]);
      out_ += StringPrintf("<h2 class=\"round\" id=\"round-%zu\">Round %zu of %zu</h2>\n",
                           round_ + 1, round_ + 1, p_.BestRounds.size());
      Groups();
      Balance();
      out_ += WishTables(p_, data_, grouping());
      Rules();
    }
    Show(p_.BestAssignment);
  } else {
    Groups();
    Balance();
    out_ += WishTables(p_, data_, grouping());
    Rules();
  }
  LeftOut();
  Run();
  out_ += "</body>\n</html>\n";
  return std::move(out_);
}

std::string Page::GroupHeaders() const {
  std::string row;
  for (int g = 1; g <= p_.GroupCount(); ++g) row += Cell(GroupLabel(data_, g), "n", "th");
  return row;
}

void Page::Verdict() {
  if (data_.mix_units) {
    WordsVerdict();
  } else {
    FolderVerdict();
  }
  GapTable();
}

void Page::FolderVerdict() {
  const bool reached =
      p_.BestScore <= p_.TargetScore || (data_.verdict && data_.verdict->proven_best);
  out_ += std::string("<p class=\"verdict") + (reached ? " reached" : "") + "\" id=\"verdict\">" +
          EscapeHtml(data_.verdict ? VerdictSentence(*data_.verdict)
                                   : VerdictSentence(p_.BestScore, p_.TargetScore)) +
          "</p>\n";
  if (data_.verdict && data_.verdict->LowerBound > p_.TargetScore) {
    out_ += "<p>Proven lower bound <b>" + FormatPoints(data_.verdict->LowerBound) +
            "</b>: it also counts how many persons of each type each group holds" +
            (data_.verdict->solver_ran ? " and, where the exact model was solved, how the columns "
                                         "interact"
                                       : "") +
            ".</p>\n";
  }
  out_ += "<p>Best score <b>" + FormatPoints(p_.BestScore) + "</b>, Target Score <b>" +
          FormatPoints(p_.TargetScore) + "</b>, gap <b>" +
          FormatPoints(p_.BestScore - p_.TargetScore) +
          "</b>. A lower score is better: every pair of members who share a category adds the "
          "column's weight (a negative weight rewards the pair). The Target Score is a bound "
          "that no grouping with these group sizes can beat; it counts each column on its own, "
          "so the best possible grouping often lies above it.</p>\n";
}

void Page::WordsVerdict() {
  const std::vector<PlainLine> lines = PlainVerdictLines(p_, data_);
  const bool best = data_.verdict && data_.bounds_hold &&
                    (p_.BestScore <= p_.TargetScore || data_.verdict->proven_best);
  out_ +=
      std::string("<div class=\"verdict") + (best ? " reached" : "") + "\" id=\"verdict\">\n<ul>\n";
  for (const PlainLine& line : lines) {
    const char* cls = line.mark == PlainLine::Mark::kBroken  ? " class=\"broken\""
                      : line.mark == PlainLine::Mark::kShort ? " class=\"short\""
                                                             : "";
    out_ += std::string("<li") + cls + ">" + EscapeHtml(line.text) + "</li>\n";
  }
  out_ += "</ul>\n</div>\n<p>" +
          std::string(data_.run.checked_from.empty() ? "Best score" : "Score") + " <b>" +
          ScoreText(data_, p_.BestScore) + "</b>, Target Score <b>" +
          ScoreText(data_, p_.TargetScore) + "</b>" +
          (data_.verdict
               ? ", proven lower bound <b>" + ScoreText(data_, data_.verdict->LowerBound) + "</b>"
               : std::string()) +
          ", in the units of the mix file's weights. A lower score is better: every two members "
          "who share a value add its column's weight ([pack] takes it off), and a rule adds a "
          "weight far above any column's while it is broken. No grouping of the mix's group "
          "sizes scores below the Target Score, which counts each column on its own, so the best "
          "possible grouping often lies above it; the proven lower bound also counts each "
          "group's share of the balance column.</p>\n";
}

void Page::GapTable() {
  const std::string in_grouping =
      data_.run.checked_from.empty() ? "in the best grouping" : "in this grouping";
  out_ +=
      "<h2>Where the gap lies</h2>\n<p class=\"note\">For every weighted column: the least it "
      "must contribute with these group sizes (its share of the Target Score) against what "
      "it contributes " +
      in_grouping +
      ". A column at its least is perfectly spread or packed; the columns above it are where "
      "the gap lies.</p>\n";
  out_ +=
      "<table id=\"columns\">\n<tr><th>Column</th><th class=\"n\">Weight</th><th>Aim</th><th "
      "class=\"n\">Least</th><th class=\"n\">" +
      std::string(data_.run.checked_from.empty() ? "In the best grouping" : "In this grouping") +
      "</th><th class=\"n\">Above its least</th></tr>\n";
  // With rounds, every round's contributions against every round's least.
  std::vector<int64_t> parts = ColumnContributions(p_, p_.BestAssignment);
  const int64_t rounds = InRounds() ? static_cast<int64_t>(p_.BestRounds.size()) : 1;
  for (size_t r = 1; r < p_.BestRounds.size(); ++r) {
    const std::vector<int64_t> more = ColumnContributions(p_, p_.BestRounds[r]);
    for (size_t c = 0; c < parts.size(); ++c) parts[c] += more[c];
  }
  int64_t least_sum = 0;
  int64_t part_sum = 0;
  for (const ReportColumn& column : data_.columns) {
    const ColumnBound& bound = p_.ColumnBounds[static_cast<size_t>(column.column)];
    const int64_t part = parts[static_cast<size_t>(column.column)];
    const int64_t least = bound.least * rounds;
    least_sum += least;
    part_sum += part;
    const int64_t above = part - least;
    // In roster mode the weight as the mix file has it: [pack] weights are written positive.
    const std::string weight =
        data_.mix_units ? StringPrintf("%d", std::abs(bound.weight)) : FormatPoints(bound.weight);
    const char* aim = column.is_rule ? (bound.weight > 0 ? "apart" : "together")
                                     : (bound.weight > 0 ? "spread" : "pack");
    out_ += "<tr>" + Cell(column.name) + Cell(weight, "n") + Cell(aim) +
            Cell(ScoreText(data_, least), "n") + Cell(ScoreText(data_, part), "n") +
            Cell(ScoreText(data_, above), above > 0 ? "n over" : "n at") + "</tr>\n";
  }
  if (InRounds()) {  // the repeats, against the fewest any schedule has
    const MeetingCounts counts = CountMeetings(p_);
    const int64_t least = counts.least_repeats * p_.RepeatWeight;
    const int64_t part = counts.repeats * p_.RepeatWeight;
    least_sum += least;
    part_sum += part;
    out_ += "<tr>" + Cell("Meetings beyond a pair's first") +
            Cell(StringPrintf("%d", data_.repeat_weight), "n") + Cell("new partners") +
            Cell(ScoreText(data_, least), "n") + Cell(ScoreText(data_, part), "n") +
            Cell(ScoreText(data_, part - least), part > least ? "n over" : "n at") + "</tr>\n";
  }
  out_ += "<tr><th>Total</th><th></th><th></th>" + Cell(ScoreText(data_, least_sum), "n", "th") +
          Cell(ScoreText(data_, part_sum), "n", "th") +
          Cell(ScoreText(data_, part_sum - least_sum), "n", "th") + "</tr>\n</table>\n";
}

void Page::Groups() {
  out_ += "<h2>The groups</h2>\n<div class=\"groups\">\n";
  for (int g = 1; g <= p_.GroupCount(); ++g) {
    const std::vector<int>& members = members_[static_cast<size_t>(g)];
    int64_t conflict = 0;
    for (const int i : members) conflict += PersonConflict(i);
    const std::string heading = static_cast<size_t>(g) < data_.group_names.size()
                                    ? EscapeHtml(data_.group_names[static_cast<size_t>(g)])
                                    : StringPrintf("Group %d", g);
    // With rounds a group's id names its round, so that every id on the page stays its own.
    out_ +=
        (InRounds()
             ? StringPrintf("<div class=\"group\" id=\"round-%zu-group-%d\">\n<h3>", round_ + 1, g)
             : StringPrintf("<div class=\"group\" id=\"group-%d\">\n<h3>", g)) +
        heading + ": " + Plural(static_cast<int64_t>(members.size()), "member", "members") +
        ", conflict " + ScoreText(data_, conflict / 2) +
        "</h3>\n<table>\n<tr><th class=\"n\">#</th>" + (data_.names.empty() ? "" : "<th>Name</th>");
    if (!data_.balance_values.empty()) out_ += Cell(data_.balance_name, "", "th");
    for (const ReportColumn& column : data_.columns) {
      if (!column.is_rule) out_ += Cell(column.name, "", "th");
    }
    out_ += "</tr>\n";
    for (const int i : members) {
      out_ += "<tr>" + Cell(StringPrintf("%d", i), "n");
      if (!data_.names.empty()) out_ += Cell(PersonName(data_, i));
      if (static_cast<size_t>(i) < data_.balance_values.size()) {
        out_ += Cell(data_.balance_values[static_cast<size_t>(i)]);
      }
      for (const ReportColumn& column : data_.columns) {
        if (!column.is_rule) out_ += Cell(ColumnValue(p_, column, i));
      }
      out_ += "</tr>\n";
    }
    out_ += "</table>\n</div>\n";
  }
  out_ += "</div>\n";
}

void Page::Balance() {
  out_ +=
      "<h2>Balance per column</h2>\n<p class=\"note\">How many of each category each group "
      "holds. A spread column is at its most even when every group holds the same number "
      "or one more; a shaded cell is too full. A packed column is at its best when a "
      "category is split over as few groups as the group sizes allow." +
      std::string(ManyGroups() ? " With this many groups, each group is a row of the first "
                                 "table, and a category's row says how many groups hold how "
                                 "many of its members; a shaded one has a group too full."
                               : "") +
      "</p>\n";
  const std::map<std::string, std::vector<int64_t>> counts = BalanceCounts();
  auto count_cell = [](int64_t count) {
    return Cell(StringPrintf("%lld", static_cast<long long>(count)), "n");
  };
  if (ManyGroups()) {
    out_ += "<table id=\"group-sizes\"><tr><th class=\"n\">Group</th><th class=\"n\">Size</th>";
    for (const auto& [value, row] : counts)
      out_ += Cell(data_.balance_name + ": " + Shown(value), "n", "th");
    out_ += "</tr>\n";
    for (int g = 1; g <= p_.GroupCount(); ++g) {
      const auto group = static_cast<size_t>(g);
      out_ += "<tr>" + Cell(GroupLabel(data_, g), "n") +
              count_cell(static_cast<int64_t>(members_[group].size()));
      for (const auto& [value, row] : counts) out_ += count_cell(row[group]);
      out_ += "</tr>\n";
    }
  } else {
    out_ += "<table><tr><th>Group size</th>" + GroupHeaders() + "</tr>\n<tr><td></td>";
    for (int g = 1; g <= p_.GroupCount(); ++g) {
      out_ += count_cell(static_cast<int64_t>(members_[static_cast<size_t>(g)].size()));
    }
    out_ += "</tr>\n";
    // One row per value of the balance column, under the group sizes.
    for (const auto& [value, row] : counts) {
      out_ += "<tr>" + Cell(data_.balance_name + ": " + Shown(value));
      for (int g = 1; g <= p_.GroupCount(); ++g) out_ += count_cell(row[static_cast<size_t>(g)]);
      out_ += "</tr>\n";
    }
  }
  out_ += "</table>\n";
  for (const ReportColumn& column : data_.columns) {
    const int32_t weight = p_.ColumnBounds[static_cast<size_t>(column.column)].weight;
    if (!column.is_rule && weight != 0) BalanceTable(column, weight > 0);
  }
}

std::map<std::string, std::vector<int64_t>> Page::BalanceCounts() const {
  std::map<std::string, std::vector<int64_t>> counts;
  for (int i = 1; i <= p_.PersonCount() && static_cast<size_t>(i) < data_.balance_values.size();
       ++i) {
    std::vector<int64_t>& row = counts[data_.balance_values[static_cast<size_t>(i)]];
    row.resize(static_cast<size_t>(p_.GroupCount()) + 1, 0);
    ++row[static_cast<size_t>(grouping()[static_cast<size_t>(i)])];
  }
  return counts;
}

void Page::BalanceTable(const ReportColumn& column, bool spread) {
  const std::vector<ColumnCategory> categories = ColumnCategories(p_, column, grouping());
  const int64_t groups = p_.GroupCount();
  out_ += "<h3>" + EscapeHtml(column.name) + (spread ? " (spread)" : " (pack)") +
          "</h3>\n<table class=\"balance\">\n<tr><th>Category</th><th class=\"n\">Holders</th>" +
          (spread ? std::string("<th class=\"n\">Most even</th>")
                  : std::string("<th class=\"n\">Groups</th><th class=\"n\">Fewest</th>")) +
          (ManyGroups() ? std::string("<th>Members per group</th>") : GroupHeaders()) + "</tr>\n";
  size_t shown = 0;
  for (const ColumnCategory& category : categories) {
    if (shown++ == kMaxCategoryRows) break;
    std::string label = category.label;
    if (category.majority) label += " (majority, turned around)";
    out_ += "<tr>" + Cell(label) +
            Cell(StringPrintf("%lld", static_cast<long long>(category.holders)), "n");
    const int64_t high = (category.holders + groups - 1) / groups;
    if (spread) {
      const int64_t low = category.holders / groups;
      out_ += Cell(low == high ? StringPrintf("%lld", static_cast<long long>(low))
                               : StringPrintf("%lld-%lld", static_cast<long long>(low),
                                              static_cast<long long>(high)),
                   "n");
    } else {
      int64_t split = 0;
      for (int g = 1; g <= groups; ++g) split += category.per_group[static_cast<size_t>(g)] > 0;
      const int64_t fewest =
          p_.GroupSizes.empty()
              ? FewestGroupsFor(category.holders, p_.BaseGroupSize, p_.LargeGroupCount)
              : FewestGroupsIn(category.holders, SizesLargestFirst(p_));
      out_ += Cell(StringPrintf("%lld", static_cast<long long>(split)),
                   split > fewest && !category.majority ? "n over" : "n") +
              Cell(StringPrintf("%lld", static_cast<long long>(fewest)), "n");
    }
    std::map<int64_t, int64_t> groups_holding;  // count -> groups that hold the category so often
    bool any_over = false;
    for (int g = 1; g <= groups; ++g) {
      const int64_t count = category.per_group[static_cast<size_t>(g)];
      const bool over = spread && !category.majority && count > high;
      any_over |= over;
      if (ManyGroups()) {
        ++groups_holding[count];
      } else {
        out_ += Cell(StringPrintf("%lld", static_cast<long long>(count)), over ? "n over" : "n");
      }
    }
    if (ManyGroups()) {
      std::string text;
      for (const auto& [count, holding] : groups_holding) {
        // "161 groups hold 0, 37 hold 1, 1 holds 3"
        text += StringPrintf("%s%lld%s %s %lld", text.empty() ? "" : ", ",
                             static_cast<long long>(holding),
                             text.empty() ? (holding == 1 ? " group" : " groups") : "",
                             holding == 1 ? "holds" : "hold", static_cast<long long>(count));
      }
      out_ += Cell(text, any_over ? "over" : "");
    }
    out_ += "</tr>\n";
  }
  out_ += "</table>\n";
  if (categories.size() > kMaxCategoryRows) {
    out_ += "<p class=\"note\">" +
            Plural(static_cast<int64_t>(categories.size() - kMaxCategoryRows), "more category",
                   "more categories") +
            " with fewer holders not listed.</p>\n";
  }
  for (const ColumnCategory& category : categories) {
    if (!category.majority) continue;
    out_ += "<p class=\"note\">" + EscapeHtml(category.label) +
            " is held by more than half of the persons, so it is turned around: its holders are "
            "not counted as sharing it, and all the others count as sharing one category.</p>\n";
  }
}

void Page::Rules() {
  if (data_.rules.empty()) return;
  out_ +=
      "<h2>Rules</h2>\n<table id=\"rules\">\n<tr><th>Rule</th><th>Persons</th><th>Groups</th>"
      "<th>State</th></tr>\n";
  for (const ReportRule& rule : data_.rules) {
    // Listed so that a name with a comma cannot run into the next.
    std::vector<std::string> names;
    std::vector<std::string> groups;
    for (const int member : rule.members) {
      names.push_back(PersonName(data_, member));
      groups.push_back(GroupLabel(data_, grouping()[static_cast<size_t>(member)]));
    }
    const bool kept = RuleKept(rule, grouping());
    out_ += "<tr>" + Cell(rule.apart ? "apart" : "together") + Cell(NameList(names)) +
            Cell(NameList(groups)) + Cell(kept ? "kept" : "broken", kept ? "kept" : "broken") +
            "</tr>\n";
  }
  out_ += "</table>\n";
}

void Page::Meetings() {
  const MeetingCounts counts = CountMeetings(p_);
  out_ += StringPrintf("<h2>Meetings over %zu rounds</h2>\n", p_.BestRounds.size()) +
          "<p class=\"note\">How many pairs share a group in how many rounds (the pairs of a "
          "together rule aside). Each meeting of a pair beyond its first adds " +
          StringPrintf("%d", data_.repeat_weight) +
          " to the score. No schedule of these rounds has fewer than " +
          Plural(counts.least_repeats, "such meeting", "such meetings") + "; this one has " +
          StringPrintf("%lld", static_cast<long long>(counts.repeats)) +
          ".</p>\n<table id=\"meetings\">\n<tr><th class=\"n\">Times met</th><th "
          "class=\"n\">Pairs</th></tr>\n";
  for (size_t k = 0; k < counts.pairs_meeting.size(); ++k) {
    if (k > 1 && static_cast<int32_t>(k) > counts.most) break;
    out_ += "<tr>" + Cell(StringPrintf("%zu", k), "n") +
            Cell(StringPrintf("%lld", static_cast<long long>(counts.pairs_meeting[k])),
                 k > 1 && counts.pairs_meeting[k] > 0 ? "n over" : "n") +
            "</tr>\n";
  }
  out_ += "</table>\n";
  if (counts.most_often.empty()) return;
  out_ += StringPrintf("<p>The pairs that meet most often (%d times)%s:</p>\n", counts.most,
                       counts.most_often.size() == kMostOftenPairs ? ", the first of them" : "") +
          "<ul id=\"most-often\">\n";
  for (const auto& [a, b] : counts.most_often) {
    out_ += "<li>" + EscapeHtml(PersonName(data_, a) + " and " + PersonName(data_, b)) + "</li>\n";
  }
  out_ += "</ul>\n";
}

void Page::LeftOut() {
  std::vector<int> left_out;
  for (int i = 1; i <= p_.PersonCount(); ++i) {
    if (grouping()[static_cast<size_t>(i)] == 0) left_out.push_back(i);
  }
  if (left_out.empty() && data_.rows_not_read == 0) return;
  out_ += "<h2>Left out</h2>\n";
  if (!left_out.empty()) {
    out_ += "<p>" + Plural(static_cast<int64_t>(left_out.size()), "person is", "persons are") +
            " in no group, because their type is neither 1 nor 2 and the types are kept "
            "apart:</p>\n<ul id=\"left-out\">\n";
    for (const int i : left_out) out_ += "<li>" + EscapeHtml(PersonName(data_, i)) + "</li>\n";
    out_ += "</ul>\n";
  }
  if (data_.rows_not_read > 0) {
    out_ += "<p>" + Plural(data_.rows_not_read, "row", "rows") +
            " of data.txt after the last person were not read.</p>\n";
  }
}

void Page::Run() {
  const RunFacts& run = data_.run;
  const Parameters& plan = run.plan;
  std::string ended = run.target_reached     ? "the Target Score was reached"
                      : run.stop_signal != 0 ? StringPrintf("stopped by signal %d", run.stop_signal)
                      : run.time_limit_hit   ? "the time limit was reached"
                                             : "the plan was spent";
  std::string inputs;
  for (const std::string& input : run.inputs) inputs += (inputs.empty() ? "" : ", ") + input;
  const int64_t seconds = run.elapsed_ms / 1000;
  const std::pair<const char*, std::string> rows[] = {
      {"Date", run.date},
      {"Input", inputs},
      {"Persons and groups",
       StringPrintf("%d persons in %d groups", p_.PersonCount(), p_.GroupCount())},
      {"Seed", StringPrintf("%u", run.seed)},
      {"Plan", StringPrintf("TypeMode %d; %d runs of %d stages of %d focus and %d spread cycles: "
                            "%d cycles",
                            plan.TypeMode, plan.RunCount, plan.StagesPerRun, plan.FocusCycles,
                            plan.SpreadCycles, run.total_cycles)},
      {"Cycle reached", StringPrintf("%d (%s)", run.cycle_reached, ended.c_str())},
      {"Time taken", StringPrintf("%lld min %02lld s", static_cast<long long>(seconds / 60),
                                  static_cast<long long>(seconds % 60))},
      {"Repeat with", run.repeat_command},
  };
  out_ += "<h2>The run</h2>\n<table id=\"run\">\n";
  // A checked grouping was never searched: the search's facts would describe nothing.
  const size_t shown = run.checked_from.empty() ? std::size(rows) : 3;
  for (size_t r = 0; r < shown; ++r) {
    out_ += "<tr>" + Cell(rows[r].first, "", "th") + Cell(rows[r].second) + "</tr>\n";
  }
  if (!run.checked_from.empty()) {
    out_ +=
        "<tr>" + Cell("Grouping", "", "th") +
        Cell("checked from " + run.checked_from + ": read and scored as it stands, not searched") +
        "</tr>\n";
  }
  out_ += "</table>\n";
}

}  // namespace

bool RuleKept(const ReportRule& rule, const std::vector<int32_t>& assignment) {
  std::set<int32_t> groups;
  for (const int member : rule.members) groups.insert(assignment[static_cast<size_t>(member)]);
  if (rule.apart) return groups.size() == rule.members.size() && !groups.contains(0);
  return groups.size() == 1 && !groups.contains(0);
}

std::string RenderReport(const Problem& problem, const ReportData& data) {
  return Page(problem, data).Render();
}

}  // namespace quorvale
