// The report: verdict texts, rule states, the page of a folder-mode run and its summary, and the
// page as headless Chromium renders it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <regex>

#include "base/format.h"
#include "report/html_report.h"
#include "report/plain_verdict.h"
#include "report/verdict.h"
#include "tests/support/problem_text.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(VerdictTest, ReachedAndNotReached) {
  EXPECT_EQ(FormatPoints(-1205), "-12.05");
  EXPECT_EQ(FormatPoints(7), "0.07");
  EXPECT_EQ(VerdictSentence(50, 50), "Target Score reached: no grouping can have fewer conflicts.");
  EXPECT_EQ(VerdictSentence(-2200, -4150),
            "Target Score not reached: the best grouping lies 19.50 above it. The Target Score "
            "counts each column on its own and is often out of reach, so this may still be the "
            "best grouping possible.");
  EXPECT_EQ(VerdictLine(-2200, -4150),
            "Target Score not reached: 19.50 above it (see the report).");
}

TEST(ReportTest, RulesKeptOrBroken) {
  const std::vector<int32_t> groups = {0, 1, 2, 1, 0};
  EXPECT_TRUE(RuleKept({true, {1, 2}}, groups));
  EXPECT_FALSE(RuleKept({true, {1, 2, 3}}, groups));
  EXPECT_FALSE(RuleKept({true, {2, 4}}, groups));  // a person in no group keeps no rule
  EXPECT_TRUE(RuleKept({false, {1, 3}}, groups));
  EXPECT_FALSE(RuleKept({false, {1, 2}}, groups));
}

TEST(ReportTest, PageShowsVerdictGroupsBalanceAndRules) {
  // The worked six persons: column 2 turns code 1 around, column 3 packs.
  Problem p = test::PreparedProblem(
      "6 4 3 2 1 1 1 0", "0 0 100 -50  1 1 1 1  2 1 1 1  3 1 1 1  4 1 1 2  5 1 2 2  6 1 2 0");
  p.BestAssignment = {0, 1, 1, 1, 2, 2, 2};
  p.BestPersonConflict = {0, -100, -100, -100, -50, 150, 100};
  p.BestScore = 0;
  ReportData data;
  data.title = "pupils.toml";
  data.names = {"", "Ann", "Bo", "Cy", "Di", "Ed <Jr>", "Fay"};
  data.columns = {{2, "Class", {}, false}, {3, "Language", {}, false}};
  data.rules = {{true, {1, 4}}, {false, {5, 6}}, {false, {1, 6}}};
  const std::string page = RenderReport(p, data);

  EXPECT_NE(page.find("Target Score not reached: the best grouping lies 2.00 above it."),
            std::string::npos);
  EXPECT_NE(page.find("Group 1: 3 members, conflict -1.50"), std::string::npos);
  EXPECT_NE(page.find("Group 2: 3 members, conflict 1.00"), std::string::npos);
  EXPECT_NE(page.find("<td>Ed &lt;Jr&gt;</td>"), std::string::npos);  // names are escaped
  EXPECT_EQ(page.find("<Jr>"), std::string::npos);
  // Column rows: weight, aim, least, in the best grouping, above its least.
  EXPECT_NE(
      page.find("<td>Class</td><td class=\"n\">1.00</td><td>spread</td><td "
                "class=\"n\">0.00</td><td class=\"n\">2.00</td><td class=\"n over\">2.00</td>"),
      std::string::npos);
  EXPECT_NE(
      page.find("<td>Language</td><td class=\"n\">-0.50</td><td>pack</td><td "
                "class=\"n\">-2.00</td><td class=\"n\">-2.00</td><td class=\"n at\">0.00</td>"),
      std::string::npos);
  EXPECT_NE(page.find("1 (majority, turned around)"), std::string::npos);
  EXPECT_EQ(Count(page, "class=\"kept\">kept<"), 2);
  EXPECT_EQ(Count(page, "class=\"broken\">broken<"), 1);
  // Self-contained: nothing fetched.
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("http"), std::string::npos);
}

// Roster mode's verdict in words, a line for each wish, weights and gaps as the mix file writes
// them, and names that cannot run into each other.
TEST(ReportTest, VerdictInWordsNamesEveryWish) {
  // Class spreads, Language packs, column 4 holds the together rule of persons 5 and 6.
  Problem p = test::PreparedProblem("6 5 3 2 1 1 1 0",
                                    "0 0 100 -50 -1000  1 1 1 1 0  2 1 2 1 0  3 1 1 2 0  "
                                    "4 1 2 2 0  5 1 1 0 1  6 1 2 0 1");
  p.Buddies = {BuddyWish{200, {0, 1, 1, 2, 0, 0, 0}, 2}};
  p.BestAssignment = {0, 1, 1, 2, 2, 1, 2};
  ReportData data;
  data.mix_units = true;
  data.names = {"", "Ann", "Bo", "Cy", "Di", "Lee, Ed", "Fay"};
  data.balance_name = "Gender";
  data.balance_values = {"", "f", "m", "f", "m", "f", "f"};
  data.columns = {{2, "Class", {"", "5a", "5b", "5a", "5b", "5a", "5b"}, false},
                  {3, "Language", {"", "de", "de", "tr", "tr", "", ""}, false},
                  {4, "together: \"Lee, Ed\", Fay", {}, true}};
  data.buddies = {{"Language", 200, {"de", "tr"}}};
  data.rules = {{false, {5, 6}}};
  data.pins = {0, 0, 0, 0, 0, 0, 1};
  Verdict verdict;
  verdict.BestScore = 1200;
  verdict.LowerBound = 950;
  data.verdict = verdict;
  std::vector<std::string> lines;
  for (const PlainLine& line : PlainVerdictLines(p, data)) lines.push_back(line.text);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Gender: every group holds 2 f and 1 m (as even as possible)",
                       "Class: 5a 1-2 per group, 5b 1-2 (as even as possible)",
                       "Language: de: all 2 in group 1; tr: all 2 in group 2 (as packed as "
                       "possible)",
                       "Language, a buddy for everyone: 1 alone with their value in their group: "
                       "Cy (tr, group 2) (weight 200 each; nobody else in the list holds their "
                       "value)",
                       "Rules: 0 of 1 kept",
                       "Rule broken: together: \"Lee, Ed\", Fay (in group 1 and group 2)",
                       "Pins: 0 of 1 kept",
                       "Pin broken: Fay is in group 2, pinned to group 1",
                       "At most 250 from the best possible",
                   }));
  // Moved into one group, Fay keeps the rule and her pin; Class is then off its most even.
  p.BestAssignment = {0, 2, 1, 2, 1, 1, 1};
  lines.clear();
  for (const PlainLine& line : PlainVerdictLines(p, data)) lines.push_back(line.text);
  EXPECT_EQ(lines[0], "Group sizes: 4, 2, where the mix asks for 3 each");
  EXPECT_EQ(lines[2],
            "Class: 5b 0-3 per group, 5a 1-2 (not as even as possible: 200 more than its least, "
            "weight 100)");
  EXPECT_EQ(lines[5], "Rules: 1 of 1 kept");
  EXPECT_EQ(lines[6], "Pins: 1 of 1 kept");

  const std::string page = RenderReport(p, data);
  EXPECT_NE(page.find("<td>together: &quot;Lee, Ed&quot;, Fay</td><td class=\"n\">1000</td>"
                      "<td>together</td>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<td>Language</td><td class=\"n\">50</td><td>pack</td>"), std::string::npos);
  EXPECT_NE(page.find("<li class=\"broken\">Group sizes: 4, 2"), std::string::npos);
}

// Many groups: the groups become the rows of the first table, and a category's counts are
// summed up, so that no table has a column for each group.
TEST(ReportTest, ManyGroupsAreRowsNotColumns) {
  std::string data = "0 0 100";
  ReportData report;
  report.balance_name = "Sex";
  report.balance_values = {""};
  for (int p = 1; p <= 48; ++p) {
    data += StringPrintf("  %d 1 %d", p, p % 3 + 1);
    report.balance_values.push_back(p % 2 ? "f" : "m");
  }
  Problem problem = test::PreparedProblem("48 3 1 24 1 1 1 1", data);
  for (int p = 1; p <= 48; ++p) problem.BestAssignment[static_cast<size_t>(p)] = (p + 1) / 2;
  report.columns = {{2, "Class", {}, false}};
  const std::string page = RenderReport(problem, report);
  EXPECT_EQ(Count(page, "<th class=\"n\">G1</th>"), 0);
  EXPECT_NE(page.find("<tr><td class=\"n\">G24</td><td class=\"n\">2</td><td class=\"n\">1</td>"
                      "<td class=\"n\">1</td></tr>"),
            std::string::npos)
      << page;
  EXPECT_EQ(Count(page, "<td>8 groups hold 0, 16 hold 1</td>"), 3) << page;
}

TEST(ReportProgramTest, FolderRunWritesReportAndSummaryThatChromiumRenders) {
  test::TempFolder folder;
  folder.WriteFile("parameters.txt", test::kExampleParameters);
  folder.WriteFile("data.txt", test::kExampleData);
  const std::string out = test::Shell(std::string(QM_PROGRAM_PATH) + " --folder " + folder.path() +
                                      " --seed 3 --no-pause");
  EXPECT_NE(out.find("\nBest score 0.50, Target Score 0.50 (lower is better).\n"
                     "Target Score reached: no grouping can have fewer conflicts.\nFolder: " +
                     folder.path() + "\nWrote:  " + folder.PathOf("results.txt") + "\n        " +
                     folder.PathOf("report.html") + "\n"),
            std::string::npos)
      << out;
  if (::access("/usr/bin/chromium", X_OK) != 0) GTEST_SKIP() << "chromium is not installed";
  const std::string dom = test::Shell(
      "timeout 60 /usr/bin/chromium --headless --no-sandbox --disable-gpu --disable-quic "
      "--no-first-run --disable-background-networking --disable-component-update --disable-sync "
      "--user-data-dir=" +
      folder.PathOf("chromium") + " --dump-dom file://" + folder.PathOf("report.html") +
      " 2>/dev/null");
  EXPECT_NE(dom.find("id=\"verdict\">Target Score reached"), std::string::npos) << dom;
  EXPECT_NE(dom.find("Group 1: 3 members"), std::string::npos);
  EXPECT_NE(dom.find("Group 2: 3 members"), std::string::npos);
  EXPECT_NE(dom.find("<h2>Balance per column</h2>"), std::string::npos);
}

TEST(ReportProgramTest, RepeatCommandRepeatsARunCutShortByItsTimeLimit) {
  test::TempFolder folder;
  for (const char* name : {"parameters.txt", "data.txt"}) {
    folder.WriteFile(name,
                     test::ReadWholeFile(std::string(QM_EXAMPLES_DIR) + "/class-of-60/" + name));
  }
  const std::string program = QM_PROGRAM_PATH;
  test::Shell(program + " --folder " + folder.path() + " --seed 11 --no-pause --time-limit 1s");
  const std::string first = test::ReadWholeFile(folder.PathOf("results.txt"));
  const std::string report = test::ReadWholeFile(folder.PathOf("report.html"));
  std::smatch found;
  ASSERT_TRUE(
      std::regex_search(report, found,
                        std::regex("Repeat with</th><td>quorvalemixer --folder &#39;[^&]*&#39; "
                                   "--seed 11 --last-cycle ([0-9]+)</td>")))
      << report;
  test::Shell(program + " --folder " + folder.path() + " --seed 11 --no-pause --last-cycle " +
              found[1].str());
  EXPECT_EQ(test::ReadWholeFile(folder.PathOf("results.txt")), first);
}

}  // namespace
}  // namespace quorvale
