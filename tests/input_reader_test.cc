// Tests of the parameter and data readers: the layouts a file may come in, and the message for
// every kind of bad input.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/problem.h"
#include "input/data_reader.h"
#include "input/parameter_reader.h"

namespace quorvale {
namespace {

const std::string kParameterFile = "/tmp/x/parameters.txt";
const std::string kDataFile = "/tmp/x/data.txt";

// The worked example: 6 persons in rows of 4, 2 groups, 2 runs of 3 stages of 2 + 1 cycles.
constexpr const char* kExampleParameters = "6\n4\n1\n2\n2\n3\n2\n1\n";
const std::vector<std::vector<int32_t>> kExampleTable = {
    {0, 0, 100, 50}, {1, 1, 1, 2}, {2, 1, 1, 1}, {3, 2, 2, 1},
    {4, 2, 2, 2},    {5, 1, 3, 0}, {6, 2, 3, 2},
};
constexpr const char* kExampleData =
    "0 0 100 50\n1 1 1 2\n2 1 1 1\n3 2 2 1\n4 2 2 2\n5 1 3 0\n6 2 3 2\n";

std::string ParameterError(std::string_view text) {
  Parameters params;
  const Status status = ReadParameters(text, kParameterFile, params);
  EXPECT_FALSE(status.ok()) << "accepted: " << text;
  return status.message();
}

Parameters ReadGoodParameters(std::string_view text) {
  Parameters params;
  const Status status = ReadParameters(text, kParameterFile, params);
  EXPECT_TRUE(status.ok()) << status.message();
  return params;
}

std::vector<int32_t> Fields(const Parameters& p) {
  return {p.PersonCount, p.ColumnCount,  p.TypeMode,    p.GroupCount,
          p.RunCount,    p.StagesPerRun, p.FocusCycles, p.SpreadCycles};
}

class DataReaderTest : public ::testing::Test {
 protected:
  // Reads `text` into a fresh persons x columns table; returns the message, empty on success.
  std::string Read(std::string_view text, int32_t persons = 6, int32_t columns = 4) {
    Parameters params;
    params.PersonCount = persons;
    params.ColumnCount = columns;
    params.GroupCount = 2;
    EXPECT_TRUE(AllocateProblem(params, problem_).ok());
    const Status status = ReadDataTable(text, kDataFile, problem_);
    return status.message();
  }

  std::vector<std::vector<int32_t>> Table() const {
    std::vector<std::vector<int32_t>> rows;
    for (size_t r = 0; r < problem_.DataTable.rows(); ++r) {
      const int32_t* row = problem_.DataTable.Row(static_cast<int>(r));
      rows.emplace_back(row, row + problem_.DataTable.columns());
    }
    return rows;
  }

  Problem problem_;
};

TEST(ParameterReaderTest, ReadsTheExampleInAnyLayout) {
  const std::vector<int32_t> expected = {6, 4, 1, 2, 2, 3, 2, 1};
  for (const char* text : {
           kExampleParameters, "6 4 1 2 2 3 2 1", "6\r\n4\r\n1\r\n2\r\n2\r\n3\r\n2\r\n1\r\n",
           "\xEF\xBB\xBF  6\t4 1\v2\f2\r3\n\n2 1", "+6 004 1 2 2 3 2 1 99 2.5 junk",
           "6 4 1 2 2 3 2 1\n\xFF\xFE",  // whatever follows the last value is never looked at
       }) {
    EXPECT_EQ(Fields(ReadGoodParameters(text)), expected) << text;
  }
}

TEST(ParameterReaderTest, AcceptsTheEdgesOfTheRanges) {
  EXPECT_EQ(Fields(ReadGoodParameters("2 2 -2147483648 9 0 1 0 1")),
            (std::vector<int32_t>{2, 2, INT32_MIN, 9, 0, 1, 0, 1}));
  EXPECT_EQ(ReadGoodParameters("2 2 2147483647 1 1 1 1 0").TypeMode, INT32_MAX);
  // TotalCycles at exactly the 32-bit limit, and a long run that is never started.
  EXPECT_EQ(ReadGoodParameters("2 2 1 1 1 1 2147483647 0").FocusCycles, INT32_MAX);
  EXPECT_EQ(ReadGoodParameters("2 2 1 1 0 1 1073741823 1073741824").RunCount, 0);
}

TEST(ParameterReaderTest, RejectsValuesThatAreNotWholeNumbers) {
  for (const char* token : {"2.5", "x", "1,2", "--3", "5a", "+", "-", "+-1"}) {
    EXPECT_EQ(ParameterError(std::string("6 4 1 ") + token + " 2 3 2 1"),
              std::string("/tmp/x/parameters.txt, GroupCount (the 4th value): found \"") + token +
                  "\" where a whole number was expected.");
  }
  EXPECT_EQ(ParameterError("6 4 2147483648 2 2 3 2 1"),
            "/tmp/x/parameters.txt, TypeMode (the 3rd value): found \"2147483648\" where a whole "
            "number from -2147483648 to 2147483647 was expected.");
}

TEST(ParameterReaderTest, RejectsAShortFile) {
  EXPECT_EQ(ParameterError(""),
            "/tmp/x/parameters.txt holds no values, but 8 are needed, from PersonCount to "
            "SpreadCycles.");
  EXPECT_EQ(ParameterError("\xEF\xBB\xBF\r\n"), ParameterError(""));
  EXPECT_EQ(ParameterError("6"),
            "/tmp/x/parameters.txt ends after 1 value, but 8 are needed; ColumnCount (the 2nd "
            "value) is missing.");
  EXPECT_EQ(ParameterError("6 4 1 2 2\n"),
            "/tmp/x/parameters.txt ends after 5 values, but 8 are needed; StagesPerRun (the 6th "
            "value) is missing.");
}

TEST(ParameterReaderTest, RejectsValuesOutsideTheirRanges) {
  const std::pair<const char*, const char*> kCases[] = {
      // A range is checked as soon as its value is read, before the later "x".
      {"1 x", "PersonCount (the 1st value) is 1, but at least 2 persons are needed."},
      {"6 1 1 2 2 3 2 1",
       "ColumnCount (the 2nd value) is 1, but at least 2 columns are needed "
       "(column 0 and the type column)."},
      {"6 4 1 0 x", "GroupCount (the 4th value) is 0, but at least 1 group is needed."},
      {"6 4 1 2 -1 3 2 1",
       "RunCount (the 5th value) is -1, but the number of runs cannot be "
       "negative."},
      {"6 4 1 2 2 0 2 1",
       "StagesPerRun (the 6th value) is 0, but at least 1 stage per run is "
       "needed."},
      {"6 4 1 2 2 3 -5 1",
       "FocusCycles (the 7th value) is -5, but the number of focus cycles "
       "cannot be negative."},
      {"6 4 1 2 2 3 2 -1",
       "SpreadCycles (the 8th value) is -1, but the number of spread cycles "
       "cannot be negative."},
      {"6 4 1 2 2 3 0 0",
       "FocusCycles and SpreadCycles (the 7th and 8th values) are both 0, but "
       "every stage needs at least 1 cycle."},
  };
  for (const auto& [text, problem] : kCases) {
    EXPECT_EQ(ParameterError(text), std::string("/tmp/x/parameters.txt: ") + problem);
  }
}

TEST(ParameterReaderTest, RejectsCycleCountsBeyond32Bits) {
  EXPECT_EQ(ParameterError("6 4 1 2 1 2 1073741824 0"),
            "/tmp/x/parameters.txt: TotalCycles = (FocusCycles + SpreadCycles) x StagesPerRun x "
            "RunCount = (1073741824 + 0) x 2 x 1 is above 2147483647, the most cycles a search "
            "can plan.");
  // Each factor alone fits, the sum does not, and the product is beyond 64 bits.
  EXPECT_EQ(ParameterError("6 4 1 2 2147483647 2147483647 2147483647 2147483647"),
            "/tmp/x/parameters.txt: TotalCycles = (FocusCycles + SpreadCycles) x StagesPerRun x "
            "RunCount = (2147483647 + 2147483647) x 2147483647 x 2147483647 is above 2147483647, "
            "the most cycles a search can plan.");
  // No run is planned, but a cycle number is still decoded by the cycles of one run.
  EXPECT_EQ(ParameterError("6 4 1 2 0 65536 65536 0"),
            "/tmp/x/parameters.txt: a run of (FocusCycles + SpreadCycles) x StagesPerRun = "
            "(65536 + 0) x 65536 cycles is above 2147483647, the most cycles a run can count, "
            "even with RunCount 0.");
}

TEST_F(DataReaderTest, ReadsTheExampleInAnyLayout) {
  std::string one_line = kExampleData;
  for (char& c : one_line) c = c == '\n' ? ' ' : c;
  std::string crlf;
  for (const char c : std::string(kExampleData))
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& text :
       {std::string(kExampleData), one_line, crlf, "\xEF\xBB\xBF" + std::string(kExampleData),
        std::string(kExampleData) + "7 8 9 x 2.5\n"}) {
    EXPECT_EQ(Read(text), "") << text;
    EXPECT_EQ(Table(), kExampleTable) << text;
  }
}

TEST_F(DataReaderTest, RejectsValuesThatAreNotWholeNumbers) {
  EXPECT_EQ(Read("0 0 100 50\n1 1 1 2\n2 2.5 1 1\n"),
            "/tmp/x/data.txt, line 3, value 2 (row 2, column 1 of the table): found \"2.5\" where "
            "a whole number was expected.");
  // Lone carriage returns end lines too; long and non-printable text is shown safely.
  EXPECT_EQ(Read("0 0 100 50\r1 1 1 2\r\n\r2 abcdefghijklmnopqrstuvwxyz"),
            "/tmp/x/data.txt, line 4, value 2 (row 2, column 1 of the table): found "
            "\"abcdefghijklmnopqrst...\" where a whole number was expected.");
  EXPECT_EQ(Read("1\x01\\\xC3\xA9"),
            "/tmp/x/data.txt, line 1, value 1 (row 0, column 0 of the table): found "
            "\"1\\x01\\\\\\xC3\\xA9\" where a whole number was expected.");
  EXPECT_EQ(Read("0 0 100 50\n1 -2147483649 1 2\n"),
            "/tmp/x/data.txt, line 2, value 2 (row 1, column 1 of the table): found "
            "\"-2147483649\" where a whole number from -2147483648 to 2147483647 was expected.");
}

TEST_F(DataReaderTest, AcceptsAnyWholeNumberOutsideTheAttributeColumns) {
  EXPECT_EQ(Read("-2147483648 2147483647 1 1\n"
                 "00000000000000000000000000007 9 1 -2147483648\n"
                 "-5 0 2 2\n",
                 2),
            "");
  EXPECT_EQ(Table(), (std::vector<std::vector<int32_t>>{
                         {INT32_MIN, INT32_MAX, 1, 1}, {7, 9, 1, INT32_MIN}, {-5, 0, 2, 2}}));
}

TEST_F(DataReaderTest, RejectsAShortFile) {
  std::string text = kExampleData;
  text.resize(text.rfind(' '));  // drop the last value
  EXPECT_EQ(Read(text),
            "/tmp/x/data.txt ends after 27 values, but 7 rows of 4 values (28) are needed: the "
            "weight row and one row for each of the 6 persons.");
  EXPECT_EQ(Read(" \r\n"),
            "/tmp/x/data.txt holds no values, but 7 rows of 4 values (28) are needed: the weight "
            "row and one row for each of the 6 persons.");
  EXPECT_EQ(Read("0", 2, 2),
            "/tmp/x/data.txt ends after 1 value, but 3 rows of 2 values (6) are needed: the weight "
            "row and one row for each of the 2 persons.");
}

TEST_F(DataReaderTest, ChecksColumnWeights) {
  EXPECT_EQ(Read("0 0 -32768 32767 1 1 0 0 2 2 0 0", 2), "");
  EXPECT_EQ(Table()[0], (std::vector<int32_t>{0, 0, -32768, 32767}));
  EXPECT_EQ(Read("0 0 32768 0", 2),
            "/tmp/x/data.txt, line 1, value 3 (row 0, column 2 of the table): column weight 32768 "
            "is outside -32768..32767, the range of a pair weight.");
  EXPECT_EQ(Read("0 0 0 -32769", 2),
            "/tmp/x/data.txt, line 1, value 4 (row 0, column 3 of the table): column weight "
            "-32769 is outside -32768..32767, the range of a pair weight.");
}

TEST_F(DataReaderTest, ChecksCategoryCodes) {
  EXPECT_EQ(Read("0 0 1 1\n1 1 6 -9\n2 2 0 1\n3 1 1 1\n4 2 1 1\n5 1 1 1\n6 2 1 6\n"), "");
  EXPECT_EQ(Table()[1], (std::vector<int32_t>{1, 1, 6, -9}));
  EXPECT_EQ(Table()[6], (std::vector<int32_t>{6, 2, 1, 6}));
  // A code above N is reported before a later bad value.
  EXPECT_EQ(Read("0 0 100 50\n1 1 1 2\n2 1 1 1\n3 2 7 1\n4 x"),
            "/tmp/x/data.txt, line 4, value 3 (row 3, column 2 of the table): category code 7 is "
            "above the 6 persons; codes run from 1 to PersonCount.");
}

}  // namespace
}  // namespace quorvale
