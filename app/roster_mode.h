// Roster mode on the command line: `init ROSTER.csv` writes a first mix file; `MIX.toml` turns
// a mix into "parameters.txt" and "data.txt" in the working folder MIX/ beside it, runs the
// usual search there, and saves MIX.groups.csv with every save of "results.txt".
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/folder_lock.h"
#include "base/status.h"
#include "engine/problem.h"
#include "model/model.h"
#include "report/groups_file.h"
#include "roster/mix_plan.h"
#include "roster/roster_csv.h"

namespace quorvale {

// Reads the roster and creates ROSTER.toml beside it (never over an existing file); prints what
// it wrote and the next command to `out`, a failure to `err`. Returns the exit code.
int RunInit(const std::string& roster_path, std::FILE* out, std::FILE* err);

struct PreparedMix {
  MixPlan plan;
  Model model;  // the run's parameters and data, handed to the driver
  GroupsTable table;
  FolderLock lock;                // the working folder's, held for the whole run
  std::optional<char> delimiter;  // the mix file's, for the roster and files like it
};

// Reads and checks the mix file and its roster as PrepareMix does, and writes nothing.
Status LoadMix(const std::string& mix_path, double memory_limit, PreparedMix& mix,
               std::optional<int32_t> rounds = std::nullopt);

// Creates the working folder of a loaded mix and locks it; a folder another run holds is left
// as it is.
Status TakeWorkFolder(PreparedMix& mix);

// Reads and checks the mix file and its roster (refusing one that the run would write over, and
// a run whose tables would take more than `memory_limit` bytes), creates the working folder and
// locks it. It then writes "parameters.txt" and "data.txt" there where they state the model
// exactly (so that the run can be repeated in folder mode), and removes earlier ones where they
// do not. Nothing is written when anything is refused; a folder another run holds is left as it
// is.
// `rounds`, when given, replaces the mix file's rounds (--rounds).
Status PrepareMix(const std::string& mix_path, double memory_limit, PreparedMix& mix,
                  std::optional<int32_t> rounds = std::nullopt);

// The groups file's table for `roster`: its own form, a Group column (or one a round), and the
// plan's group names.
GroupsTable GroupsTableOf(const Roster& roster, const MixPlan& plan);

// Saves the groups file for the best grouping of `problem` and remembers it in `mix`.
Status SaveGroups(PreparedMix& mix, const Problem& problem);

}  // namespace quorvale
