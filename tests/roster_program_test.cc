// Roster mode through the real program: init, a run of a small roster, refusals that write
// nothing, the files a run clears and saves, the repeat command in a shell, and the time limit in
// folder mode.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/roster_mode.h"
#include "base/safe_text.h"
#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

// 14 pupils: 8 girls, 6 boys; three classes; a majority language.
constexpr std::string_view kPupils =
    "\xEF\xBB\xBFName;Gender;Class;Language\r\n"
    "Zoë Brandt;f;5a;de\r\n"
    "\"Lee; Ann\";f;5a;de\r\n"
    "Jürgen Groß;m;5b;de\r\n"
    "Ayşe Kaya;f;5b;tr\r\n"
    "Mehmet Kaya;m;5c;tr\r\n"
    "Łukasz Nowak;m;5a;pl\r\n"
    "Ida Weiß;f;5c;de\r\n"
    "Tom Bäcker;m;5b;de\r\n"
    "Nils Bäcker;m;5c;de\r\n"
    "Mai Lê;f;5a;vi\r\n"
    "Olga Iwanow;f;5b;ru\r\n"
    "Emre Çelik;m;5c;tr\r\n"
    "Lina Fuchs;f;5a;de\r\n"
    "Greta Hahn;f;5b;de\r\n";

constexpr std::string_view kRules =
    "apart = [[\"Tom Bäcker\", \"Nils Bäcker\"], [\"Ayşe Kaya\", \"Mehmet Kaya\"]]\n"
    "together = [[\"Zoë Brandt\", \"Lee; Ann\"], [\"Ida Weiß\", \"Mai Lê\"]]\n";

TEST(RosterProgramTest, InitThenRunGivesBalancedNamedGroupsThatKeepTheRules) {
  test::TempFolder work;
  work.WriteFile("pupils.csv", kPupils);
  std::string out, err;
  ASSERT_EQ(test::RunIn(work.path(), "init pupils.csv", &out, &err), 0) << err;
  EXPECT_EQ(out.substr(0, 16), "Wrote pupils.tom") << out;
  EXPECT_NE(out.find("  quorvalemixer pupils.toml\n"), std::string::npos) << out;
  const std::string suggested = test::ReadWholeFile(work.PathOf("pupils.toml"));
  // init never writes over a mix file.
  EXPECT_EQ(test::RunIn(work.path(), "init pupils.csv", &out, &err), 1);
  EXPECT_EQ(err,
            "quorvalemixer: pupils.toml already exists; it was left as it is (remove it, "
            "or edit it).\n");
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("pupils.toml")), suggested);

  // The suggested mix with rules added, run twice with one seed.
  std::string edited = suggested;
  const size_t rules_at = edited.find('\n', edited.find("\n[rules]") + 1) + 1;
  ASSERT_NE(rules_at, 0u) << suggested;
  edited.insert(rules_at, kRules);
  work.WriteFile("pupils.toml", edited);
  std::vector<std::string> runs;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(
        test::RunIn(work.path(), "pupils.toml --seed 42 --no-pause --time-limit 20s", &out, &err),
        0)
        << err;
    EXPECT_NE(out.find("\nRules: all 4 kept.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n        pupils.groups.csv\n        pupils.report.html\n"),
              std::string::npos)
        << out;
    runs.push_back(test::ReadWholeFile(work.PathOf("pupils.groups.csv")));
  }
  EXPECT_EQ(runs[0], runs[1]);
  EXPECT_TRUE(std::filesystem::exists(work.PathOf("pupils/parameters.txt")));
  EXPECT_TRUE(std::filesystem::exists(work.PathOf("pupils/results.txt")));

  // Every roster row in order, as it stood, with its group.
  EXPECT_EQ(runs[0].substr(0, 37), "\xEF\xBB\xBFName;Gender;Class;Language;Group\r\n");
  const auto rows = test::TableRows(runs[0]);
  const auto roster = test::TableRows(std::string(kPupils));
  ASSERT_EQ(rows.size(), 14u);
  std::map<std::string, std::string> group_of;
  std::map<std::string, int> size, girls;
  for (size_t p = 0; p < rows.size(); ++p) {
    auto row = rows[p];
    group_of[row["Name"]] = row["Group"];
    ++size[row["Group"]];
    girls[row["Group"]] += row["Gender"] == "f";
    row.erase("Group");
    EXPECT_EQ(row, roster[p]);
  }
  EXPECT_EQ(size, (std::map<std::string, int>{{"1", 7}, {"2", 7}}));
  EXPECT_EQ(girls["1"], 4);  // 8 girls over 2 groups
  EXPECT_NE(group_of["Tom Bäcker"], group_of["Nils Bäcker"]);
  EXPECT_EQ(group_of["Zoë Brandt"], group_of["Lee; Ann"]);
  EXPECT_EQ(group_of["Ida Weiß"], group_of["Mai Lê"]);
}

// A rule naming more than half of the persons is kept as a rule, never turned around like a
// majority label, for every seed; such a mix gets no data files that would state it otherwise.
TEST(RosterProgramTest, RulesNamingMoreThanHalfThePersonsAreKept) {
  struct Case {
    int persons, groups, named;
    const char* kind;
  };
  for (const Case c : {Case{25, 2, 13, "together"}, Case{12, 8, 7, "apart"}}) {
    std::string roster = "Name,Class\n", rule = std::string(c.kind) + " = [[";
    for (int p = 1; p <= c.persons; ++p) {
      roster += "P" + std::to_string(p) + "," + std::to_string(p % 3) + "\n";
      if (p <= c.named) rule += std::string(p > 1 ? ", " : "") + "\"P" + std::to_string(p) + "\"";
    }
    test::TempFolder work;
    work.WriteFile("r.csv", roster);
    work.WriteFile("m.toml",
                   "roster = \"r.csv\"\nname = \"Name\"\ngroups = " + std::to_string(c.groups) +
                       "\n[spread]\nClass = 100\n[rules]\n" + rule + "]]\n");
    for (int seed = 1; seed <= 3; ++seed) {
      std::string out, err;
      ASSERT_EQ(test::RunIn(work.path(),
                            "m.toml --no-pause --time-limit 5s --seed " + std::to_string(seed),
                            &out, &err),
                0)
          << err;
      EXPECT_NE(out.find("\nRules: 1 of 1 kept.\n"), std::string::npos) << c.kind << "\n" << out;
    }
    EXPECT_FALSE(std::filesystem::exists(work.PathOf("m/data.txt")));
    EXPECT_TRUE(std::filesystem::exists(work.PathOf("m/results.txt")));
  }
}

TEST(RosterProgramTest, RefusalsSayWhyAndWriteNothing) {
  struct Case {
    std::string roster_file, roster, mix, message;
  };
  const std::string mix = "roster = \"r.csv\"\ngroups = 2\n";
  const std::vector<Case> cases = {
      {"r.csv", "Name,Class\nAnn,5a\nBo\n", mix,
       "quorvalemixer: r.csv, line 3: found a row of 1 cells; expected 2, one for each column of "
       "the header (delimiter ',').\n"},
      {"r.csv", "Name,Class\nAnn,5a\nBo,5b\n", mix + "[spread]\nclass = 100\n",
       "quorvalemixer: m.toml, line 4: [spread] names the column \"class\", which r.csv does not "
       "have; expected one of its header's names, such as \"Class\" or \"Name\".\n"},
      {"r.csv", "Name,Class\nAnn,5a\nBo,5b\n",
       "roster = \"r.csv\"\nname = \"Name\"\ngroups = 2\n[rules]\napart = [[\"Ann\", \"Cy\"]]\n",
       "quorvalemixer: m.toml, line 5: the rule names \"Cy\", who matches no row of r.csv in the "
       "column \"Name\"; expected a name such as \"Bo\" or \"Ann\".\n"},
      {"r.csv", std::string("N\0a\0m\0e\0\n\0A\0n\0n\0\n\0", 18), mix,
       "quorvalemixer: r.csv, line 1: found a NUL byte, so the file looks like UTF-16 text; "
       "expected UTF-8 (in a spreadsheet: save as \"CSV UTF-8\"; in a text editor: save with the "
       "encoding UTF-8).\n"},
      // Control characters from the roster are shown, not obeyed by the terminal.
      {"r.csv", "Name,Mark\nAnn,1\nBo,2\nCy,\x1B[31mx\xC2\x9B\n", mix + "[average]\nMark = 100\n",
       "quorvalemixer: r.csv, line 4: the column \"Mark\" of [average] holds "
       "\"\\x1B[31mx\\u009B\", which is not a number; expected a number such as 2.5 or 2,5 (up "
       "to six decimals), or an empty cell.\n"},
      {"m.groups.csv", "Name,Class,Group\nAnn,5a,1\nBo,5b,2\n",
       "roster = \"m.groups.csv\"\ngroups = 2\n",
       "quorvalemixer: m.toml: the roster m.groups.csv is a file that every run of this mix writes "
       "over; expected another file (to start from it, copy it under a name of its own).\n"},
  };
  for (const Case& c : cases) {
    test::TempFolder work;
    work.WriteFile(c.roster_file, c.roster);
    work.WriteFile("m.toml", c.mix);
    std::string out, err;
    EXPECT_EQ(test::RunIn(work.path(), "m.toml --no-pause", &out, &err), 1);
    EXPECT_EQ(err, c.message);
    EXPECT_EQ(out, "");
    EXPECT_FALSE(std::filesystem::exists(work.PathOf("m")));
    EXPECT_EQ(test::ReadWholeFile(work.PathOf(c.roster_file)), c.roster);
    EXPECT_EQ(std::filesystem::exists(work.PathOf("m.groups.csv")),
              c.roster_file == "m.groups.csv");
  }
  // init writes only what runs.
  test::TempFolder work;
  work.WriteFile("one.csv", "Name,Class\nAnn,5a\n");
  std::string out, err;
  EXPECT_EQ(test::RunIn(work.path(), "init one.csv", &out, &err), 1);
  EXPECT_EQ(err,
            "quorvalemixer: one.csv: found 1 person; expected at least 2 rows below the header, "
            "one per person, to divide into groups.\n");
  EXPECT_FALSE(std::filesystem::exists(work.PathOf("one.toml")));
}

// A run clears the leftover temporary files of the files it replaces, and no others. It saves
// the groups file before results.txt: when the groups file cannot be saved, results.txt stays as
// it was and the summary says which file failed.
TEST(RosterProgramTest, ARunClearsItsOwnLeftoversAndSavesTheGroupsFileFirst) {
  test::TempFolder work;
  work.WriteFile("r.csv", kPupils);
  work.WriteFile("m.toml", "roster = \"r.csv\"\nname = \"Name\"\ngroups = 2\n");
  std::filesystem::create_directory(work.PathOf("m"));
  const std::vector<std::string> leftovers = {"m.groups.csv.Ab3x9Z", "m.report.html.000000",
                                              "m/results.txt.zzzzzz", "m/parameters.txt.Q1w2E3",
                                              "m/data.txt.a1B2c3"};
  const std::vector<std::string> others = {"r.csv.Ab3x9Z", "m.toml.Ab3x9Z", "m/report.html.Ab3x9Z",
                                           "m.groups.csv.Ab3x9", "m.groups.csv.bak"};
  for (const std::string& name : leftovers) work.WriteFile(name, "a part");
  for (const std::string& name : others) work.WriteFile(name, "kept");
  std::string out, err;
  ASSERT_EQ(test::RunIn(work.path(), "m.toml --no-pause --seed 1", &out, &err), 0) << err;
  for (const std::string& name : leftovers)
    EXPECT_FALSE(std::filesystem::exists(work.PathOf(name))) << name;
  for (const std::string& name : others)
    EXPECT_TRUE(std::filesystem::exists(work.PathOf(name))) << name;

  const std::string results = test::ReadWholeFile(work.PathOf("m/results.txt"));
  const std::string groups = work.WriteFile("m.groups.csv", "edited by hand\n");
  std::filesystem::permissions(groups, std::filesystem::perms::owner_read);
  EXPECT_EQ(test::RunIn(work.path(), "m.toml --no-pause --seed 2", &out, &err), 1);
  const std::string failed =
      "Could not save m.groups.csv (nor, after it, m/results.txt): "
      "m.groups.csv is read-only; it was left as it is.";
  EXPECT_NE(out.find("\n" + failed + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nWrote:  m.report.html\n"), std::string::npos) << out;
  EXPECT_EQ(err, "quorvalemixer: " + failed + "\n");
  EXPECT_EQ(test::ReadWholeFile(groups), "edited by hand\n");
  EXPECT_EQ(test::ReadWholeFile(work.PathOf("m/results.txt")), results);
}

// The report's repeat command, pasted into bash or sh, hands the program the mix file's name
// exactly and runs nothing else.
TEST(RosterProgramTest, RepeatCommandPastedIntoAShellRunsOnlyTheProgram) {
  for (const std::string mix : {"x'$(touch PWNED)'.toml", "O'Brien \"Jr\" \\ $HOME.toml"}) {
    test::TempFolder work;
    work.WriteFile("r.csv", kPupils);
    work.WriteFile(mix, "roster = \"r.csv\"\ngroups = 2\n");
    std::string out, err;
    ASSERT_EQ(test::RunIn(work.path(), ShellQuote(mix) + " --no-pause --seed 4", &out, &err), 0)
        << err;
    const std::string report =
        test::ReadWholeFile(work.PathOf(mix.substr(0, mix.size() - 5) + ".report.html"));
    std::smatch found;
    ASSERT_TRUE(std::regex_search(report, found, std::regex("Repeat with</th><td>([^<]*)</td>")));
    std::string command = found[1];
    for (const auto& [entity, c] : {std::pair{"&#39;", "'"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
      for (size_t at; (at = command.find(entity)) != std::string::npos;)
        command.replace(at, std::strlen(entity), c);
    }
    // A stand-in for the program prints the arguments it is given.
    work.WriteFile("paste.sh", "quorvalemixer() { printf '[%s]\\n' \"$@\"; }\n" + command + "\n");
    for (const char* shell : {"bash", "sh"}) {
      const std::string given = test::Shell("cd '" + work.path() + "' && " + shell + " paste.sh");
      EXPECT_TRUE(given.starts_with("[" + mix + "]\n[--seed]\n")) << shell << ": " << given;
    }
    EXPECT_FALSE(std::filesystem::exists(work.PathOf("PWNED")));
  }
}

// Roster mode refuses before it writes: a run too large for memory, and a working folder
// another run holds, whose files it leaves as they are.
TEST(RosterModeTest, PrepareRefusesBeforeWriting) {
  test::TempFolder work;
  work.WriteFile("r.csv", "Name\nAnn\nBo\n");
  const std::string mix = work.WriteFile("m.toml", "roster = \"r.csv\"\ngroups = 2\n");
  PreparedMix first, second;
  EXPECT_TRUE(
      PrepareMix(mix, 1000, first)
          .message()
          .starts_with(mix +
                       ": not enough memory for 2 persons in 2 groups: the run's tables need"));
  EXPECT_FALSE(std::filesystem::exists(work.PathOf("m")));
  ASSERT_TRUE(PrepareMix(mix, 1e300, first).ok());
  const std::string saving = work.WriteFile("m/data.txt.Ab3x9Z", "a part");
  EXPECT_EQ(PrepareMix(mix, 1e300, second).message(),
            "Another run of the program is using the folder " + work.PathOf("m") + " (it holds " +
                work.PathOf("m/.quorvalemixer.lock") +
                "); this run ends without touching its files. Start it again when that run has "
                "ended.");
  EXPECT_EQ(test::ReadWholeFile(saving), "a part");
}

TEST(RosterProgramTest, CommandLine) {
  auto parse = [](std::vector<const char*> words, Options& options) {
    words.insert(words.begin(), "quorvalemixer");
    std::vector<char*> argv;
    for (const char* word : words) argv.push_back(const_cast<char*>(word));
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), options);
  };
  Options options;
  ASSERT_TRUE(parse({"m.toml", "--seed", "4", "--time-limit", "2m"}, options).ok());
  EXPECT_EQ(options.mix_file, "m.toml");
  EXPECT_EQ(options.time_limit_ms, 120000);
  ASSERT_TRUE(parse({"init", "r.csv"}, options).ok());
  EXPECT_EQ(options.init_roster, "r.csv");
  EXPECT_EQ(parse({"init"}, options).message(), "init needs one roster file: init ROSTER.csv");
  EXPECT_EQ(parse({"--folder", "x", "m.toml"}, options).message(),
            "--folder is for parameters.txt and data.txt, not for a roster or mix");
  EXPECT_EQ(parse({"m.toml", "n.toml"}, options).message(), "unexpected argument 'n.toml'");
  EXPECT_EQ(parse({"--time-limit", "3"}, options).message(), "");
  EXPECT_EQ(parse({"--time-limit", "3x"}, options).message(),
            "--time-limit: '3x' is not a duration; expected a whole number with a unit, such as "
            "90s, 5m, 1h30m or 500ms (at most 24h)");
}

TEST(RosterProgramTest, TimeLimitEndsALongFolderModeSearchAsItsPlanWould) {
  test::TempFolder work;
  test::WriteInstance(work.path(), 60, 7, false);  // a search planned to run for days
  std::string out, err;
  EXPECT_EQ(test::RunIn(work.path(), "--folder . --seed 3 --no-pause --time-limit 1s", &out, &err),
            0)
      << err;
  EXPECT_NE(out.find("Search completed: But Target Score not reached"), std::string::npos) << out;
  EXPECT_FALSE(test::ReadWholeFile(work.PathOf("results.txt")).empty());
}

}  // namespace
}  // namespace quorvale
