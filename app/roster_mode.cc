// Roster mode's files and messages.
#include "app/roster_mode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/driver.h"
#include "base/format.h"
#include "base/safe_text.h"
#include "input/file_reader.h"
#include "report/results_file.h"
#include "roster/init_mix.h"
#include "roster/mix_builder.h"
#include "roster/mix_file.h"
#include "roster/roster_csv.h"

namespace quorvale {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

Status ReadRosterFile(const std::string& path, std::optional<char> delimiter, Roster& roster) {
  FileText file = ReadFileText(path);
  if (file.missing) return Status::Error(path + ": no such file.");
  if (!file.status.ok()) return file.status;
  return ParseRoster(file.text, path, delimiter, roster);
}

Status MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return Status::Ok();
  const int error = errno;
  struct stat existing {};
  if (error == EEXIST && ::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    return Status::Ok();
  }
  if (error == EEXIST) return Status::Error(path + " exists and is not a folder.");
  return Status::Error("cannot create the folder " + path + ": " + std::strerror(error) + ".");
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

Status RemoveFileIfThere(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Status::Ok();
  return Status::Error("cannot remove " + path + ": " + std::strerror(errno) + ".");
}

}  // namespace

int RunInit(const std::string& roster_path, std::FILE* out, std::FILE* err) {
  Roster roster;
  Status read = ReadRosterFile(roster_path, std::nullopt, roster);
  if (read.ok() && roster.PersonCount() < 2) {
    read = Status::Error(roster_path +
                         ": found 1 person; expected at least 2 rows below the header, one per "
                         "person, to divide into groups.");
  }
  if (!read.ok()) {
    std::fprintf(err, "quorvalemixer: %s\n", Printable(read.message()).c_str());
    return kExitFailure;
  }
  const std::string mix_path = WithoutExtension(roster_path) + ".toml";
  const std::string text = FormatInitMix(roster, BaseName(roster_path));
  if (Status s = CreateNewFile(mix_path, text); !s.ok()) {
    std::fprintf(err, "quorvalemixer: %s\n", Printable(s.message()).c_str());
    return kExitFailure;
  }
  const InitSuggestion suggestion = SuggestRoles(roster);
  std::string said = StringPrintf("Wrote %s: %d persons, %zu columns", mix_path.c_str(),
                                  roster.PersonCount(), roster.header.size());
  if (suggestion.name_column >= 0) {
    said += "; names from \"" + roster.header[size_t(suggestion.name_column)] + "\"";
  }
  if (suggestion.balance_column >= 0) {
    said += "; balance \"" + roster.header[size_t(suggestion.balance_column)] + "\"";
  }
  said += StringPrintf("; %zu column%s to spread; %d groups.", suggestion.spread.size(),
                       suggestion.spread.size() == 1 ? "" : "s", suggestion.groups);
  std::fprintf(out, "%s\nCheck it, edit what you like, then run:\n  quorvalemixer %s\n",
               Printable(said).c_str(), Printable(ShellWord(mix_path)).c_str());
  return kExitOk;
}

Status LoadMix(const std::string& mix_path, double memory_limit, PreparedMix& prepared,
               std::optional<int32_t> rounds) {
  FileText file = ReadFileText(mix_path);
  if (file.missing) return Status::Error(mix_path + ": no such file.");
  if (!file.status.ok()) return file.status;
  MixFile mix;
  if (Status s = ReadMixFile(file.text, mix_path, mix); !s.ok()) return s;
  if (rounds) mix.rounds = rounds;

  const std::string folder = FolderOf(mix_path);
  const std::string roster_path =
      mix.roster.front() == '/' || folder.empty() ? mix.roster : JoinPath(folder, mix.roster);
  const std::string stem = WithoutExtension(mix_path);
  const std::string groups_path = stem + ".groups.csv";
  const std::string parameters_path = JoinPath(stem, "parameters.txt");
  const std::string data_path = JoinPath(stem, "data.txt");
  // A roster that the run writes over would lose its rows to the first save.
  for (const std::string& output : {groups_path, stem + ".report.html", parameters_path, data_path,
                                    JoinPath(stem, "results.txt")}) {
    if (SameFile(roster_path, output)) {
      return Status::Error(StringPrintf(
          "%s: the roster %s is a file that every run of this mix writes over; expected another "
          "file (to start from it, copy it under a name of its own).",
          mix_path.c_str(), roster_path.c_str()));
    }
  }
  Roster roster;
  if (Status s = ReadRosterFile(roster_path, mix.delimiter, roster); !s.ok()) return s;
  MixPlan& plan = prepared.plan;
  if (Status s = BuildMix(mix, roster, mix_path, roster_path, plan, prepared.model); !s.ok()) {
    return s;
  }
  const Parameters& params = prepared.model.params;
  if (const double bytes = ModelBytes(prepared.model); bytes > memory_limit) {
    return Status::Error(StringPrintf(
        "%s: not enough memory for %d persons in %d groups: the run's tables need %.1f GiB, and "
        "this machine has %.1f GiB; expected a smaller roster.",
        mix_path.c_str(), params.PersonCount, params.GroupCount, bytes / (1u << 30),
        memory_limit / (1u << 30)));
  }

  plan.mix_path = mix_path;
  plan.roster_path = roster_path;
  plan.work_folder = stem;
  plan.groups_path = groups_path;
  prepared.table = GroupsTableOf(roster, plan);
  prepared.delimiter = mix.delimiter;
  return Status::Ok();
}

Status TakeWorkFolder(PreparedMix& prepared) {
  if (Status s = MakeFolder(prepared.plan.work_folder); !s.ok()) return s;
  return prepared.lock.Take(prepared.plan.work_folder);
}

Status PrepareMix(const std::string& mix_path, double memory_limit, PreparedMix& prepared,
                  std::optional<int32_t> rounds) {
  if (Status s = LoadMix(mix_path, memory_limit, prepared, rounds); !s.ok()) return s;
  if (Status s = TakeWorkFolder(prepared); !s.ok()) return s;
  const MixPlan& plan = prepared.plan;
  const std::string parameters_path = JoinPath(plan.work_folder, "parameters.txt");
  const std::string data_path = JoinPath(plan.work_folder, "data.txt");
  RemoveLeftoverTemporaries(parameters_path);
  RemoveLeftoverTemporaries(data_path);
  if (!DataFilesStateModel(prepared.model)) {
    // Files of an earlier run would misstate this one; with rounds, so would its one grouping.
    if (Status s = RemoveFileIfThere(parameters_path); !s.ok()) return s;
    if (prepared.model.Rounds > 1) {
      if (Status s = RemoveFileIfThere(JoinPath(plan.work_folder, "results.txt")); !s.ok()) {
        return s;
      }
    }
    return RemoveFileIfThere(data_path);
  }
  if (Status s =
          ReplaceFileAtomically(parameters_path, FormatParametersText(prepared.model.params));
      !s.ok())
    return s;
  return ReplaceFileAtomically(data_path, FormatDataText(prepared.model));
}

GroupsTable GroupsTableOf(const Roster& roster, const MixPlan& plan) {
  GroupsTable table{roster.byte_order_mark,
                    roster.delimiter,
                    roster.line_end,
                    roster.raw_header,
                    roster.raw_rows,
                    roster.row_is_person,
                    GroupColumnName(roster.header),
                    {},
                    {}};
  if (!plan.group_names.empty()) {
    table.group_names.assign(1, "");
    table.group_names.insert(table.group_names.end(), plan.group_names.begin(),
                             plan.group_names.end());
  }
  if (plan.rounds > 1) table.round_columns = RoundColumnNames(roster.header, plan.rounds);
  return table;
}

Status SaveGroups(PreparedMix& mix, const Problem& problem) {
  if (problem.BestRounds.size() <= 1) {
    return WriteGroupsFile(mix.plan.groups_path, mix.table, problem.BestAssignment);
  }
  std::vector<int32_t> schedule;
  for (const std::vector<int32_t>& round : problem.BestRounds) {
    schedule.insert(schedule.end(), round.begin(), round.end());
  }
  return WriteGroupsFile(mix.plan.groups_path, mix.table, schedule);
}

}  // namespace quorvale
