// The report: verdict texts, rule states, the page of a folder-mode run and its summary, and the
// page as headless Chromium renders it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <regex>

#include "base/format.h"
#include "report/html_report.h"
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
