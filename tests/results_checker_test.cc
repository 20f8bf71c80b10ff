// The results check itself: it must accept what the program writes and refuse, with a message
// that says where, every way a results file can be cut short or disagree with its input.
#include "tests/support/results_checker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/file_reader.h"
#include "tests/support/problem_text.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

// The example's saved results: groups 1 = {2, 4, 5} and 2 = {1, 3, 6}; persons 1, 2 and 5 are
// of type 1, persons 3, 4 and 6 of type 2.
std::string ExampleResults() {
  const FileText file = ReadFileText(std::string(QM_EXAMPLES_DIR) + "/six-persons/results.txt");
  EXPECT_TRUE(file.status.ok()) << file.status.message();
  return file.text;
}

// The text with line `line` (1-based) replaced.
std::string WithLine(const std::string& text, int line, const std::string& replacement) {
  size_t start = 0;
  for (int i = 1; i < line; ++i) start = text.find('\n', start) + 1;
  const size_t end = text.find('\n', start);
  return text.substr(0, start) + replacement + text.substr(end);
}

class ResultsCheckerTest : public ::testing::Test {
 protected:
  std::string Refusal(const std::string& results) {
    const Status status = checker_.Check(results);
    EXPECT_FALSE(status.ok()) << "accepted:\n" << results;
    return status.message();
  }
  ResultsChecker checker_{kExampleParameters, kExampleData};
};

TEST_F(ResultsCheckerTest, AcceptsTheProgramsOwnFile) {
  ResultsSummary summary;
  const Status status = checker_.Check(ExampleResults(), &summary);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(summary.TargetScore, 50);
  EXPECT_EQ(summary.TargetStatus, 2);
  EXPECT_EQ(summary.BestScore, 50);
  EXPECT_EQ(summary.CycleNumber, 1);
  EXPECT_EQ(summary.groups, (std::vector<int32_t>{0, 2, 1, 2, 1, 1, 2}));
}

TEST_F(ResultsCheckerTest, RefusesAFileCutShort) {
  const std::string whole = ExampleResults();
  EXPECT_EQ(Refusal(whole.substr(0, whole.size() - 1)),
            "results.txt line 9: ends without a line feed (the file is cut short): "
            "\"6 \\x092 \\x0950 \\x09\"");
  EXPECT_EQ(Refusal(whole.substr(0, whole.find("4 \t1"))),
            "results.txt has 6 lines, but 6 persons need 9");
  EXPECT_EQ(Refusal(""), "results.txt has 0 lines, but 6 persons need 9");
  EXPECT_EQ(Refusal(whole + "7 \t1 \t0 \t\n"),
            "results.txt line 10: is one too many; 6 persons need 9 lines");
}

TEST_F(ResultsCheckerTest, RefusesValuesNotWrittenAsTheProgramWritesThem) {
  const std::string whole = ExampleResults();
  for (const char* line : {"4 1 0", "4 \t1 \t0", "4 \t01 \t0 \t", "+4 \t1 \t0 \t",
                           "4 \t1 \t0 \t0 \t", "4 \t1 \t0 \t\r"}) {
    EXPECT_NE(Refusal(WithLine(whole, 7, line)).find("results.txt line 7:"), std::string::npos)
        << line;
  }
}

TEST_F(ResultsCheckerTest, RefusesHeadValuesThatDisagreeWithTheInput) {
  const std::string whole = ExampleResults();
  EXPECT_EQ(Refusal(WithLine(whole, 1, "60 \t2 \t23 \t")),
            "results.txt line 1: TargetScore is 60, but the input gives 50");
  EXPECT_EQ(Refusal(WithLine(whole, 1, "50 \t3 \t23 \t")),
            "results.txt line 1: TargetStatus is 3, but only 1 or 2 may stand there");
  EXPECT_EQ(Refusal(WithLine(whole, 1, "50 \t2 \t24 \t")),
            "results.txt line 1: ConflictDensity is 24, but the input gives 23");
  EXPECT_EQ(Refusal(WithLine(whole, 2, "1 \t1 \t2 \t")),
            "results.txt line 2: run 1, stage 1, focus 2, spread 0 do not decode cycle 1 (run 1, "
            "stage 1, focus 1, spread 0)");
  EXPECT_EQ(Refusal(WithLine(whole, 3, "0 \t50 \t19 \t")),
            "results.txt line 3: CycleNumber 19 lies outside 0..18");
}

TEST_F(ResultsCheckerTest, RefusesAGroupingThatBreaksTheDeal) {
  const std::string whole = ExampleResults();
  EXPECT_EQ(Refusal(WithLine(whole, 8, "5 \t3 \t0 \t")),
            "results.txt line 8: person 5 is in group 3, outside 1..2");
  EXPECT_EQ(Refusal(WithLine(whole, 8, "5 \t2 \t0 \t")),
            "results.txt: group 1 holds 1 persons of type 1, but the deal gave it 2");
  // Persons 1 (type 1) and 4 (type 2) change groups: the sizes stay, the type mix does not.
  EXPECT_EQ(Refusal(WithLine(WithLine(whole, 4, "1 \t1 \t50 \t"), 7, "4 \t2 \t0 \t")),
            "results.txt: group 1 holds 3 persons of type 1, but the deal gave it 2");
  EXPECT_EQ(Refusal(WithLine(whole, 5, "1 \t1 \t0 \t")),
            "results.txt line 5: starts with 1, but belongs to person 2");
}

TEST_F(ResultsCheckerTest, RefusesScoresThatTheGroupingDoesNotHave) {
  const std::string whole = ExampleResults();
  EXPECT_EQ(Refusal(WithLine(whole, 3, "0 \t40 \t1 \t")),
            "results.txt line 3: TargetStatus says reached, but BestScore 40 is not the "
            "TargetScore 50");
  EXPECT_EQ(Refusal(WithLine(WithLine(whole, 1, "50 \t1 \t23 \t"), 3, "0 \t40 \t1 \t")),
            "results.txt line 3: BestScore is 40, but the grouping in the file scores 50");
  EXPECT_EQ(Refusal(WithLine(whole, 9, "6 \t2 \t0 \t")),
            "results.txt line 9: person 6's conflict is 0, but recomputes to 50");
  // Persons 1 and 2 (both type 1) change groups: a valid grouping with another score.
  EXPECT_EQ(Refusal(WithLine(WithLine(whole, 4, "1 \t1 \t50 \t"), 5, "2 \t2 \t0 \t")),
            "results.txt line 3: BestScore is 50, but the grouping in the file scores 100");
}

TEST(ResultsCheckerInputTest, ReportsRefusedInputAndPersonsNeverDealt) {
  ResultsChecker refused("6 4 1", kExampleData);
  EXPECT_FALSE(refused.input_status().ok());
  EXPECT_NE(refused.Check(ExampleResults()).message().find("the input is refused"),
            std::string::npos);

  // Person 5 of type 7 is never dealt: group 0 is the only place it may stand.
  std::string data(kExampleData);
  data.replace(data.find("5 1 3 0"), 7, "5 7 3 0");
  ResultsChecker checker(kExampleParameters, data);
  ASSERT_TRUE(checker.input_status().ok()) << checker.input_status().message();
  const Status status = checker.Check(ExampleResults());
  EXPECT_EQ(status.message(),
            "results.txt line 8: person 5 of type 7 was never dealt, but is in group 1 instead "
            "of 0");
}

TEST(ResultsCheckerFolderTest, ReadsTheThreeFilesOfAFolder) {
  TempFolder folder;
  folder.WriteFile("parameters.txt", kExampleParameters);
  folder.WriteFile("data.txt", kExampleData);
  EXPECT_EQ(CheckResultsFolder(folder.path()).message(),
            "Cannot open " + folder.PathOf("results.txt") + ": there is no such file.");
  folder.WriteFile("results.txt", ExampleResults());
  EXPECT_TRUE(CheckResultsFolder(folder.path()).ok());
}

}  // namespace
}  // namespace quorvale::test
