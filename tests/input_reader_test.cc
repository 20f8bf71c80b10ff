// Tests of the parameter and data readers: the layouts a file may come in, the edges of every
// range, and the whole message for every kind of bad input.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/problem.h"
#include "input/data_reader.h"
#include "input/input_warnings.h"
#include "input/parameter_reader.h"

namespace quorvale {
namespace {

// The worked example: 6 persons in rows of 4, 2 groups, 2 runs of 3 stages of 2 + 1 cycles.
const std::string kParams = "6\n4\n1\n2\n2\n3\n2\n1\n";
const std::string kData = "0 0 100 50\n1 1 1 2\n2 1 1 1\n3 2 2 1\n4 2 2 2\n5 1 3 0\n6 2 3 2\n";

// Reads both texts, or only the parameters when `data` is empty: the first refusal, the eight
// parameters or the whole data table, and the warnings.
struct Read {
  Read(std::string_view params, std::string_view data) {
    Parameters p;
    status = ReadParameters(params, "p.txt", p);
    values = {p.PersonCount, p.ColumnCount,  p.TypeMode,    p.GroupCount,
              p.RunCount,    p.StagesPerRun, p.FocusCycles, p.SpreadCycles};
    if (!status.ok() || data.empty()) return;
    Problem problem;
    status = AllocateProblem(p, problem);
    if (status.ok()) status = ReadDataTable(data, "d.txt", problem, &warnings);
    values.assign(problem.DataTable.data(), problem.DataTable.data() + problem.DataTable.size());
  }
  Status status;
  std::vector<int32_t> values;
  InputWarnings warnings;
};

TEST(InputReaderTest, ReadsTheExampleInAnyLayoutAndTheEdgesOfTheRanges) {
  const std::vector<int32_t> example = {0, 0, 100, 50, 1, 1, 1, 2, 2, 1, 1, 1, 3, 2,
                                        2, 1, 4,   2,  2, 2, 5, 1, 3, 0, 6, 2, 3, 2};
  // Whatever follows the last value needed is never looked at.
  const std::tuple<std::string, std::string, std::vector<int32_t>> kCases[] = {
      {kParams, kData, example},
      {"6 4 1 2 2 3 2 1 99 x", "0 0 100 50 1 1 1 2 2 1 1 1 3 2 2 1 4 2 2 2 5 1 3 0 6 2 3 2 7 x",
       example},
      {"6\r\n4\r\n1\r\n2\r\n2\r\n3\r\n2\r\n1\r\n2.5",
       "0 0 100 50\r\n1 1 1 2\r\n2 1 1 1\r\n3 2 2 1\r\n4 2 2 2\r\n5 1 3 0\r\n6 2 3 2\r\n\xFF",
       example},
      // TotalCycles at exactly the 32-bit limit, and a long run that is never started.
      {"2 2 2147483647 9 1 1 2147483647 0", "", {2, 2, INT32_MAX, 9, 1, 1, INT32_MAX, 0}},
      {"2 2 -2147483648 1 0 1 1073741823 1073741824",
       "",
       {2, 2, INT32_MIN, 1, 0, 1, 1073741823, 1073741824}},
      // Weights at the ends of 16 bits, a code of N, and anything outside the attribute columns.
      {"2 4 1 1 1 1 1 0",
       "-2147483648 2147483647 -32768 32767\n00000000000000000000000000007 9 1 -2147483648\n"
       "-5 0 2 2\n",
       {INT32_MIN, INT32_MAX, -32768, 32767, 7, 9, 1, INT32_MIN, -5, 0, 2, 2}},
  };
  for (const auto& [params, data, values] : kCases) {
    const Read read(params, data);
    EXPECT_EQ(std::pair(read.status.message(), read.values), std::pair(std::string(), values))
        << params << "\n"
        << data;
  }
}

TEST(InputReaderTest, RefusesBadInputWithItsWholeMessage) {
  const char* const kCases[][3] = {
      {"6 4 1 2.5 2 3 2 1", "",
       "p.txt, GroupCount (the 4th value): found \"2.5\" where a whole number was expected."},
      {"6 4 2147483648 2 2 3 2 1", "",
       "p.txt, TypeMode (the 3rd value): found \"2147483648\" where a whole number from "
       "-2147483648 to 2147483647 was expected."},
      {"", "", "p.txt holds no values, but 8 are needed, from PersonCount to SpreadCycles."},
      {"6 4 1 2 2\n", "",
       "p.txt ends after 5 values, but 8 are needed; StagesPerRun (the 6th value) is missing."},
      // A range is checked as soon as its value is read, before the later "x".
      {"1 x", "", "p.txt: PersonCount (the 1st value) is 1, but at least 2 persons are needed."},
      {"6 1 1 2 2 3 2 1", "",
       "p.txt: ColumnCount (the 2nd value) is 1, but at least 2 columns are needed (column 0 and "
       "the type column)."},
      {"6 4 1 0 x", "", "p.txt: GroupCount (the 4th value) is 0, but at least 1 group is needed."},
      {"6 4 1 2 -1 3 2 1", "",
       "p.txt: RunCount (the 5th value) is -1, but the number of runs cannot be negative."},
      {"6 4 1 2 2 0 2 1", "",
       "p.txt: StagesPerRun (the 6th value) is 0, but at least 1 stage per run is needed."},
      {"6 4 1 2 2 3 -5 1", "",
       "p.txt: FocusCycles (the 7th value) is -5, but the number of focus cycles cannot be "
       "negative."},
      {"6 4 1 2 2 3 2 -1", "",
       "p.txt: SpreadCycles (the 8th value) is -1, but the number of spread cycles cannot be "
       "negative."},
      {"6 4 1 2 2 3 0 0", "",
       "p.txt: FocusCycles and SpreadCycles (the 7th and 8th values) are both 0, but every stage "
       "needs at least 1 cycle."},
      {"6 4 1 2 1 2 1073741824 0", "",
       "p.txt: TotalCycles = (FocusCycles + SpreadCycles) x StagesPerRun x RunCount = (1073741824 "
       "+ 0) x 2 x 1 is above 2147483647, the most cycles a search can plan."},
      // Each factor alone fits, the sum does not, and the product is beyond 64 bits.
      {"6 4 1 2 2147483647 2147483647 2147483647 2147483647", "",
       "p.txt: TotalCycles = (FocusCycles + SpreadCycles) x StagesPerRun x RunCount = (2147483647 "
       "+ 2147483647) x 2147483647 x 2147483647 is above 2147483647, the most cycles a search can "
       "plan."},
      // No run is planned, but a cycle number is still decoded by the cycles of one run.
      {"6 4 1 2 0 65536 65536 0", "",
       "p.txt: a run of (FocusCycles + SpreadCycles) x StagesPerRun = (65536 + 0) x 65536 cycles "
       "is above 2147483647, the most cycles a run can count, even with RunCount 0."},
      // Lone carriage returns end lines too; non-printable text is shown safely.
      {kParams.c_str(), "0 0 100 50\r1 1 1 2\r\n\r2 1\x01\\\xC3\xA9",
       "d.txt, line 4, value 2 (row 2, column 1 of the table): found \"1\\x01\\\\\\xC3\\xA9\" "
       "where a whole number was expected."},
      {kParams.c_str(), "0 0 100 50\n1 1 1 2\n2 1 1 1\n3 2 2 1\n4 2 2 2\n5 1 3 0\n6 2 3",
       "d.txt ends after 27 values, but 7 rows of 4 values (28) are needed: the weight row and "
       "one row for each of the 6 persons."},
      {kParams.c_str(), "0 0 32768 0",
       "d.txt, line 1, value 3 (row 0, column 2 of the table): column weight 32768 is outside "
       "-32768..32767, the range of a pair weight."},
      // A code above N is reported before a later bad value.
      {kParams.c_str(), "0 0 100 50\n1 1 1 2\n2 1 1 1\n3 2 7 1\n4 x",
       "d.txt, line 4, value 3 (row 3, column 2 of the table): category code 7 is above the 6 "
       "persons; codes run from 1 to PersonCount."},
  };
  for (const auto& [params, data, message] : kCases) {
    EXPECT_EQ(Read(params, data).status.message(), message) << params << "\n" << data;
  }
}

TEST(InputReaderTest, ALineOfAnotherLengthInARowPerLineFileIsRefusedAtThatLine) {
  const std::tuple<std::string, size_t, std::string> kCases[] = {
      // One value too many shifts every later value: refused at the line, not at a shifted code.
      {"0 0 100 50\n1 1 1 2\n2 1 1 1 1\n3 2 2 1\n4 2 2 2\n5 1 3 0\n6 2 3 2\n", 3, "5 values"},
      // A blank cell of a spreadsheet export, and blank lines that change nothing.
      {"0 0 100 50\n\n1 1 1 2\n2 1 1\n\n3 2 2 1\n4 2 2 2\n5 1 3 0\n6 2 3 2 0\n", 4, "3 values"},
      {"0 0 100 50\n1 1 1 2\n2 1 1 1\n3 2 2 1\n4 2 2 2\n5 1 3 0\n6 2 3 2 9 9\n7\n", 7, "6 values"},
      {"0 0 100 50\n1\n2 1 1 1\n", 2, "1 value"},
  };
  for (const auto& [data, line, values] : kCases) {
    const Status status = Read(kParams, data).status;
    EXPECT_EQ(status.message(), "d.txt, line " + std::to_string(line) + " holds " + values +
                                    ", but a row of the table needs 4: the first line holds one "
                                    "row, so every line is read as one row (blank lines are "
                                    "fine).");
    EXPECT_EQ(std::tuple(status.file(), status.line()), std::tuple("d.txt", line));
  }
}

TEST(InputReaderTest, CountsTheRowsNotReadInEitherLayout) {
  const std::tuple<std::string, int64_t, size_t> kCases[] = {
      {kData, 0, 0},
      {kData + "\n7 1 1 1\n8 2 1 1\n\n9 1 1 2 5 5\n", 3, 9},
      // Free format: counted in rows of C values, the last one short.
      {"0 0 100 50 1 1 1 2 2 1 1 1 3 2 2 1 4 2 2 2 5 1 3 0 6 2 3 2\n7 x 1 1 8", 2, 2},
      {"0 0 100 50 1\n1 1 2 2 1 1 1 3 2 2 1 4 2 2 2 5 1 3 0 6 2 3 2 7", 1, 2},
  };
  for (const auto& [data, rows, line] : kCases) {
    const Read read(kParams, data);
    EXPECT_TRUE(read.status.ok()) << read.status.message();
    EXPECT_EQ(read.warnings.rows_not_read, rows) << data;
    EXPECT_EQ(read.warnings.first_line_not_read, line) << data;
  }
}

TEST(InputReaderTest, ParameterRefusalsKnowTheirLine) {
  const Status status = Read("6\n4\n\n1 0 x", "").status;
  EXPECT_EQ(std::tuple(status.file(), status.line(), status.detail()),
            std::tuple("p.txt", 4u,
                       "GroupCount (the 4th value) is 0, but at least 1 group is "
                       "needed."));
}

TEST(InputReaderTest, PersonsOfAnotherTypeAreLeftOutUnlessTypeModeIsThree) {
  Parameters p;
  ASSERT_TRUE(ReadParameters("8 3 1 2 1 1 1 0", "p.txt", p).ok());
  Problem problem;
  ASSERT_TRUE(AllocateProblem(p, problem).ok());
  ASSERT_TRUE(ReadDataTable("0 0 1\n1 1 0\n2 0 0\n3 2 0\n4 3 0\n5 -1 0\n6 9 0\n7 7 0\n8 5 0\n",
                            "d.txt", problem)
                  .ok());
  InputWarnings warnings;
  warnings.persons_left_out = FindPersonsLeftOut(problem);
  EXPECT_EQ(warnings.persons_left_out, (std::vector<int32_t>{2, 4, 5, 6, 7, 8}));
  warnings.rows_not_read = 1;
  warnings.first_line_not_read = 12;
  EXPECT_EQ(WarningLines(warnings, "d.txt"),
            (std::vector<std::string>{
                "quorvalemixer: warning: d.txt:12: 1 row after the last person's row was not "
                "read; PersonCount in parameters.txt sets how many rows are read.\n",
                "quorvalemixer: warning: d.txt: 6 persons of a type other than 1 or 2 were left "
                "out of every group: persons 2, 4, 5, 6, 7 and 1 more.\n"}));
  problem.params.TypeMode = 3;
  EXPECT_TRUE(FindPersonsLeftOut(problem).empty());
}

}  // namespace
}  // namespace quorvale
