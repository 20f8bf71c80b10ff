// The command line. With no arguments the program does what it always did; the options serve
// scripts and tests. A roster is grouped with `init ROSTER.csv` and then `MIX.toml`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/status.h"
#include "engine/run_loop.h"

namespace quorvale {

struct Options {
  std::optional<std::string> folder;     // --folder DIR: work there, no lookup, no set-up mode
  std::optional<uint32_t> seed;          // --seed N: seeds the search instead of the calendar time
  bool no_pause = false;                 // --no-pause: no closing countdown, no key wait
  std::optional<int32_t> last_cycle;     // --last-cycle N: end the search after cycle N
  std::optional<int64_t> time_limit_ms;  // --time-limit DURATION: end the search after it
  std::optional<std::string> init_roster;  // init ROSTER.csv: write a first mix file
  std::optional<std::string> mix_file;     // MIX.toml: run a mix
  bool check = false;  // check MIX.toml [GROUPS.csv]: score a grouping as it stands (mix_file)
  std::optional<std::string> check_groups;  // the groups file checked; none: MIX.groups.csv
  // Set with the refusal of a roster given where a mix file belongs, whose hint says all: the
  // usage would only push it off the screen.
  bool roster_as_mix = false;
  bool stop_when_proven = false;  // --stop-when-proven: end once the best is proven best
  SearchStrategy search = SearchStrategy::kClassic;  // --search classic|deep
  bool search_given = false;                         // --search was on the command line
  int threads = 0;                // --threads N: chains of the deep search; 0 = the cores available
  std::optional<int32_t> rounds;  // --rounds R: R groupings of a mix, instead of its rounds
  bool help = false;
  bool version = false;
};

// Parses argv. A failure's message says what was wrong; the caller prints it with UsageText().
// A roster given where a mix file belongs (a .csv file, or one whose first line reads like a CSV
// header) is refused with the command that makes a mix file of it.
Status ParseOptions(int argc, char** argv, Options& options);

// Whether the file at `path` is a roster rather than a mix file: its name ends in .csv, or its
// first line holds a comma, semicolon or tab outside quotes and no '=' (which every first line
// of a mix file that is not a comment or a [table] has). False for a file that cannot be read.
bool LooksLikeRoster(const std::string& path);

std::string UsageText();

}  // namespace quorvale
