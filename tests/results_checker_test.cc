// The results check itself: the program's own file passes; a cut file, a wrong score, a wrong
// group and a wrong group size fail, each with a message that says where.
#include "tests/support/results_checker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "base/format.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

// `text` with value `column` of line `line` (both from 1) changed by `change`.
std::string Edited(const std::string& text, int line, int column, long long (*change)(long long)) {
  std::string edited;
  for (const std::string& each : Lines(text)) {
    long long v[3] = {};
    std::sscanf(each.c_str(), "%lld%lld%lld", &v[0], &v[1], &v[2]);
    if (--line == 0) v[column - 1] = change(v[column - 1]);
    edited += StringPrintf("%lld \t%lld \t%lld \t\n", v[0], v[1], v[2]);
  }
  return edited;
}

TEST(ResultsCheckerTest, PassesTheProgramsOwnFileAndRefusesBrokenOnes) {
  TempFolder folder;
  for (const char* name : {"parameters.txt", "data.txt"}) {
    folder.WriteFile(name, ReadWholeFile(QM_EXAMPLES_DIR "/six-persons/" + std::string(name)));
  }
  ASSERT_EQ(RunToEnd(folder.path()), 0);
  const std::string own = ReadWholeFile(folder.PathOf("results.txt"));
  EXPECT_EQ(CheckResultsFolder(folder.path()), "");
  const std::pair<std::string, std::string> refused[] = {
      {own.substr(0, own.size() - 1), "results.txt is cut short"},
      {own.substr(0, own.rfind('\n', own.size() - 2) + 1), "has 8 lines, but 6 persons need 9"},
      {Edited(own, 3, 2, [](long long v) { return v - 1; }), "line 3: BestScore is"},
      {Edited(own, 4, 3, [](long long v) { return v + 1; }), "line 4: person 1's conflict is"},
      {Edited(own, 5, 2, [](long long) { return 3LL; }), "line 5: not person 2 in a group 1.."},
      {Edited(own, 5, 2, [](long long v) { return 3 - v; }), "group and type differ from the deal"},
  };
  for (const auto& [results, error] : refused) {
    folder.WriteFile("results.txt", results);
    EXPECT_THAT(CheckResultsFolder(folder.path()), ::testing::HasSubstr(error));
  }
}

}  // namespace
}  // namespace quorvale::test
