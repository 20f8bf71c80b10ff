// Reading rosters: the forms spreadsheets save CSV in, the refusals with their whole messages,
// and the groups file that gives the rows back as they stood.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/roster_mode.h"
#include "report/groups_file.h"
#include "roster/roster_csv.h"

namespace quorvale {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Roster Parse(std::string_view text) {
  Roster roster;
  const Status status = ParseRoster(text, "r.csv", std::nullopt, roster);
  EXPECT_TRUE(status.ok()) << status.message();
  return roster;
}

std::string Refusal(std::string_view text) {
  Roster roster;
  return ParseRoster(text, "r.csv", std::nullopt, roster).message();
}

TEST(RosterCsvTest, SpreadsheetForms) {
  struct Case {
    const char* name;
    std::string text;
    char delimiter;
    Rows cells;
  };
  const std::vector<Case> cases = {
      {"comma, LF", "Name,Town\nAnn,Ulm\nBo,Hof\n", ',', {{"Ann", "Ulm"}, {"Bo", "Hof"}}},
      {"semicolon, CRLF, no last line end",
       "Name;Town\r\nAnn;Ulm\r\nBo;Hof",
       ';',
       {{"Ann", "Ulm"}, {"Bo", "Hof"}}},
      {"tabs", "Name\tTown\nAnn\tUlm\nBo\t\n", '\t', {{"Ann", "Ulm"}, {"Bo", ""}}},
      {"quoted delimiters, quotes and line breaks",
       "Name,Note\n\"Lee, Ann\",\"says \"\"hi\"\"\"\nBo,\"two\nlines\"\n",
       ',',
       {{"Lee, Ann", "says \"hi\""}, {"Bo", "two\nlines"}}},
      {"byte-order mark, UTF-8 names, spaces trimmed",
       "\xEF\xBB\xBFName , Town\n Zoë Müller ,  Düren\nŁukasz, Kraków\n",
       ',',
       {{"Zoë Müller", "Düren"}, {"Łukasz", "Kraków"}}},
      {"empty cells, blank and empty rows skipped",
       "Name,Town\n\nAnn,\n,\n  \nBo,Hof\n\n",
       ',',
       {{"Ann", ""}, {"Bo", "Hof"}}},
      {"one column", "Name\nAnn\nBo\n", ',', {{"Ann"}, {"Bo"}}},
  };
  for (const Case& c : cases) {
    const Roster roster = Parse(c.text);
    EXPECT_EQ(roster.delimiter, c.delimiter) << c.name;
    EXPECT_EQ(roster.cells, c.cells) << c.name;
    EXPECT_EQ(roster.header.size(), c.cells[0].size()) << c.name;
  }
  EXPECT_EQ(Parse("\xEF\xBB\xBFName , Town\nA,B\n").header,
            (std::vector<std::string>{"Name", "Town"}));
  EXPECT_EQ(Parse("Name,Town\n\nAnn,Ulm\n\n\nBo,Hof\n").lines, (std::vector<int>{3, 6}));
  // A lone "\r" ends a line as "\n" and "\r\n" do.
  EXPECT_EQ(Parse("Name,Town\rAnn,Ulm\r\r\nBo,Hof\rCy,Ulm\n").lines, (std::vector<int>{2, 4, 5}));
}

TEST(RosterCsvTest, Refusals) {
  EXPECT_EQ(Refusal(""),
            "r.csv: the file is empty; expected a header row naming the columns, then one row "
            "per person.");
  EXPECT_EQ(Refusal("Name,Town\r\n"),
            "r.csv: found only the header row; expected one row per person below it.");
  EXPECT_EQ(Refusal("Name,Town,Name\nA,B,C\n"),
            "r.csv, line 1: the header names the column \"Name\" twice, in columns 1 and 3; "
            "expected every column name once.");
  EXPECT_EQ(Refusal("Name;Town\rA;B\rC;D;E\r"),
            "r.csv, line 3: found a row of 3 cells; expected 2, one for each column of the "
            "header (delimiter ';').");
  EXPECT_EQ(Refusal("Name,Town\nAnn,U\"lm\n"),
            "r.csv, line 2, column 2 (\"Town\"): found a quote inside a field; expected a field "
            "either without quotes or wholly in quotes, with every quote inside it doubled.");
  EXPECT_EQ(Refusal("Name,Town\nAnn,\"Ulm\nBo,Hof\n"),
            "r.csv, line 4: found the end of the file inside a quoted field that began on line "
            "2; expected its closing quote.");
  EXPECT_EQ(Refusal("Name,Town\nM\xFCller,Ulm\n"),
            "r.csv, line 2: found the byte 0xFC, which is not UTF-8; expected a file saved as "
            "UTF-8 text (in a spreadsheet: save as \"CSV UTF-8\").");
  EXPECT_EQ(Refusal(std::string_view("N\0a\0m\0e\0\n\0A\0n\0n\0\n\0", 18)),
            "r.csv, line 1: found a NUL byte, so the file looks like UTF-16 text; expected UTF-8 "
            "(in a spreadsheet: save as \"CSV UTF-8\"; in a text editor: save with the encoding "
            "UTF-8).");
}

// Rows of empty cells and blank lines keep their places, with an empty group.
TEST(RosterCsvTest, GroupsFileGivesTheRowsBackAsTheyStood) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"\xEF\xBB\xBF\"Name\";Town\r\n\"Lee; Ann\" ;Ulm\r\n\r\n;\r\nBo;\"two\r\nlines\"\r\n\r\n",
       "\xEF\xBB\xBF\"Name\";Town;Group\r\n\"Lee; Ann\" "
       ";Ulm;2\r\n;\r\n;;\r\nBo;\"two\r\nlines\";1\r\n"},
      {"Name\rAnn\r\rBo", "Name,Group\rAnn,2\r,\rBo,1\r"},
  };
  for (const auto& [text, groups_file] : cases) {
    const Roster roster = Parse(text);
    const GroupsTable table = GroupsTableOf(roster, MixPlan{});
    EXPECT_EQ(FormatGroupsFile(table, std::vector<int32_t>{0, 2, 1}), groups_file);
  }
  EXPECT_EQ(GroupColumnName({"Name", "Group", "Group 2"}), "Group 3");
  // Named groups, in quotes where a name holds the delimiter; a column for each round.
  const Roster roster = Parse("Name,Round 1\nAnn,x\nBo,y\n");
  GroupsTable rounds{false,
                     ',',
                     "\n",
                     roster.raw_header,
                     roster.raw_rows,
                     roster.row_is_person,
                     "Group",
                     RoundColumnNames(roster.header, 2),
                     {"", "Otters, blue", "Herons"}};
  EXPECT_EQ(FormatGroupsFile(rounds, std::vector<int32_t>{0, 1, 2, 0, 2, 1}),
            "Name,Round 1,Round 1 (groups),Round 2\nAnn,x,\"Otters, blue\",Herons\n"
            "Bo,y,Herons,\"Otters, blue\"\n");
}

}  // namespace
}  // namespace quorvale
