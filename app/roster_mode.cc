// Roster mode's files and messages.
#include "app/roster_mode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/driver.h"
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

Status RemoveFileIfThere(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Status::Ok();
  return Status::Error("cannot remove " + path + ": " + std::strerror(errno) + ".");
}

}  // namespace

int RunInit(const std::string& roster_path, std::FILE* out, std::FILE* err) {
  Roster roster;
  if (Status s = ReadRosterFile(roster_path, std::nullopt, roster); !s.ok()) {
    std::fprintf(err, "quorvalemixer: %s\n", s.message().c_str());
    return kExitFailure;
  }
  const std::string mix_path = WithoutExtension(roster_path) + ".toml";
  const std::string text = FormatInitMix(roster, BaseName(roster_path));
  if (Status s = CreateNewFile(mix_path, text); !s.ok()) {
    std::fprintf(err, "quorvalemixer: %s\n", s.message().c_str());
    return kExitFailure;
  }
  const InitSuggestion suggestion = SuggestRoles(roster);
  std::fprintf(out, "Wrote %s: %d persons, %zu columns", mix_path.c_str(), roster.PersonCount(),
               roster.header.size());
  if (suggestion.name_column >= 0) {
    std::fprintf(out, "; names from \"%s\"", roster.header[size_t(suggestion.name_column)].c_str());
  }
  if (suggestion.balance_column >= 0) {
    std::fprintf(out, "; balance \"%s\"", roster.header[size_t(suggestion.balance_column)].c_str());
  }
  std::fprintf(out, "; %zu column%s to spread; %d groups.\n", suggestion.spread.size(),
               suggestion.spread.size() == 1 ? "" : "s", suggestion.groups);
  std::fprintf(out, "Check it, edit what you like, then run:\n  quorvalemixer %s\n",
               mix_path.c_str());
  return kExitOk;
}

Status PrepareMix(const std::string& mix_path, PreparedMix& prepared) {
  FileText file = ReadFileText(mix_path);
  if (file.missing) return Status::Error(mix_path + ": no such file.");
  if (!file.status.ok()) return file.status;
  MixFile mix;
  if (Status s = ReadMixFile(file.text, mix_path, mix); !s.ok()) return s;

  const std::string folder = FolderOf(mix_path);
  const std::string roster_path =
      mix.roster.front() == '/' || folder.empty() ? mix.roster : JoinPath(folder, mix.roster);
  Roster roster;
  if (Status s = ReadRosterFile(roster_path, mix.delimiter, roster); !s.ok()) return s;
  MixPlan& plan = prepared.plan;
  if (Status s = BuildMix(mix, roster, mix_path, roster_path, plan, prepared.model); !s.ok()) {
    return s;
  }

  const std::string stem = WithoutExtension(mix_path);
  plan.mix_path = mix_path;
  plan.roster_path = roster_path;
  plan.work_folder = stem;
  plan.groups_path = stem + ".groups.csv";
  prepared.table =
      GroupsTable{roster.byte_order_mark, roster.delimiter, roster.line_end,
                  roster.raw_header,      roster.raw_rows,  roster.row_is_person,
                  GroupColumnName(roster.header)};
  if (Status s = MakeFolder(plan.work_folder); !s.ok()) return s;
  const std::string parameters_path = JoinPath(plan.work_folder, "parameters.txt");
  const std::string data_path = JoinPath(plan.work_folder, "data.txt");
  if (!DataFilesStateModel(prepared.model)) {
    // Files of an earlier run would misstate this one.
    if (Status s = RemoveFileIfThere(parameters_path); !s.ok()) return s;
    return RemoveFileIfThere(data_path);
  }
  if (Status s =
          ReplaceFileAtomically(parameters_path, FormatParametersText(prepared.model.params));
      !s.ok())
    return s;
  return ReplaceFileAtomically(data_path, FormatDataText(prepared.model));
}

Status SaveGroups(PreparedMix& mix, const Problem& problem) {
  return WriteGroupsFile(mix.plan.groups_path, mix.table, problem.BestAssignment);
}

}  // namespace quorvale
