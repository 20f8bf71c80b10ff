// The check follows a run's own steps up to its first grouping (the matrix, the deal, the start
// values, the bounds of the dealt places), then puts the file's grouping in the deal's place and
// evaluates it with the run's own evaluation, so its score is the one a run would report.
#include "app/check_mode.h"

#include <map>
#include <vector>

#include "app/driver.h"
#include "app/roster_mode.h"
#include "app/roster_report.h"
#include "app/run_report.h"
#include "base/safe_text.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "engine/repeat_meetings.h"
#include "input/file_reader.h"
#include "proof/categories.h"
#include "proof/proven_bound.h"
#include "proof/verdict.h"
#include "report/html_report.h"
#include "report/results_file.h"
#include "roster/groups_reader.h"

namespace quorvale {

namespace {

using Grouping = std::vector<int32_t>;

// Persons of each type in each group: the places a grouping fills.
std::map<std::pair<int32_t, int32_t>, int32_t> Places(const Problem& p, const Grouping& groups) {
  std::map<std::pair<int32_t, int32_t>, int32_t> places;
  for (int i = 1; i <= p.PersonCount(); ++i) ++places[{groups[size_t(i)], p.Type(i)}];
  return places;
}

class Check {
 public:
  Check(const std::string& mix_path, const std::optional<std::string>& groups_path,
        std::optional<int32_t> rounds, double memory_limit, KernelLevel level)
      : mix_path_(mix_path),
        groups_path_(groups_path),
        rounds_(rounds),
        memory_limit_(memory_limit),
        level_(level) {}
  // The summary's lines, or a refusal.
  Status Run(std::vector<std::string>& summary);
  const std::vector<std::string>& warnings() const { return mix_.plan.warnings; }

 private:
  Status ReadGrouping(std::vector<Grouping>& rounds);
  // Scores `rounds` into BestScore and BestAssignment (the first round's), and makes `data` with
  // the verdict.
  Status Score(const std::vector<Grouping>& rounds, ReportData& data);

  const std::string mix_path_;
  const std::optional<std::string> groups_path_;
  const std::optional<int32_t> rounds_;
  const double memory_limit_;
  const KernelLevel level_;
  PreparedMix mix_;
  std::string groups_file_;
  Problem problem_;
};

Status Check::ReadGrouping(std::vector<Grouping>& rounds) {
  groups_file_ = groups_path_.value_or(mix_.plan.groups_path);
  FileText file = ReadFileText(groups_file_);
  if (file.missing) {
    return Status::Error(groups_file_ + ": no such file; expected the groups file of a run of " +
                         mix_path_ + " (run it first), edited as you like.");
  }
  if (!file.status.ok()) return file.status;
  const GroupsTable& table = mix_.table;
  GroupsFileColumns expected{table.round_columns, mix_.model.GroupCount(), mix_.plan.group_names};
  if (expected.columns.empty()) expected.columns = {table.group_column};
  return ReadGroupsFile(file.text, groups_file_, mix_.plan.roster_path, mix_.plan, expected,
                        mix_.delimiter, rounds);
}

Status Check::Score(const std::vector<Grouping>& rounds, ReportData& data) {
  Problem& p = problem_;
  // The categories as the data states them; building the matrix clears turned-around codes.
  const std::vector<Category> categories = ListCategories(p);
  if (Status s = BuildConflictMatrix(p, level_); !s.ok()) return s;
  data = FolderReportData(p, mix_.plan.work_folder);
  const Engine engine(level_);
  DealInitialAssignment(p);
  SetUpStartValues(p, engine);
  const int64_t proven = ProvenBound(p, categories);
  // The proven bound holds for groupings of the dealt places (each group's count of each type),
  // the Target Score for any grouping of the mix's group sizes.
  const auto dealt = Places(p, p.Assignment);
  bool places_kept = true;
  for (const Grouping& round : rounds) {
    places_kept &= Places(p, round) == dealt;
    std::vector<int32_t> sizes(size_t(p.GroupCount()) + 1, 0);
    for (int i = 1; i <= p.PersonCount(); ++i) ++sizes[size_t(round[size_t(i)])];
    for (int g = 1; g <= p.GroupCount(); ++g)
      data.bounds_hold &= sizes[size_t(g)] == p.GroupSize(g);
  }

  int64_t score = 0;
  for (size_t r = rounds.size(); r-- > 0;) {  // the first round last: its tables stay
    p.Assignment = rounds[r];
    score += EvaluateAssignment(p, engine);
  }
  if (p.Rounds > 1) {
    RepeatMeetings meetings(p);
    score += meetings.Load(rounds);
    p.BestRounds = rounds;
  }
  p.CurrentScore = score;
  KeepAsBest(p);
  // TargetScore and the proven bound are the whole schedule's (ScheduleTargetScore).
  data.verdict =
      MakeVerdict(p, places_kept ? ScheduleTargetScore(p, proven) : p.TargetScore, nullptr);
  return Status::Ok();
}

Status Check::Run(std::vector<std::string>& summary) {
  if (Status s = LoadMix(mix_path_, memory_limit_, mix_, rounds_); !s.ok()) return s;
  if (Status s = TakeWorkFolder(mix_); !s.ok()) return s;
  std::vector<Grouping> rounds;
  if (Status s = ReadGrouping(rounds); !s.ok()) return s;
  if (Status s = LoadModel(std::move(mix_.model), problem_, memory_limit_); !s.ok()) return s;
  const MixPlan& plan = mix_.plan;
  ReportData data;
  if (Status s = Score(rounds, data); !s.ok()) return s;
  DescribeMix(plan, data);
  data.run.date = LocalDateTime();
  data.run.checked_from = groups_file_;
  data.run.inputs.push_back(groups_file_);

  const std::string report_path = MixReportPath(plan);
  RemoveLeftoverTemporaries(report_path);
  if (Status s = ReplaceFileAtomically(report_path, RenderReport(problem_, data)); !s.ok()) {
    return Status::Error("Could not write the report: " + s.message());
  }
  summary = WordsSummaryLines(problem_, data, plan.work_folder, {report_path}, {});
  return Status::Ok();
}

}  // namespace

int RunCheck(const std::string& mix_path, const std::optional<std::string>& groups_path,
             std::optional<int32_t> rounds, double memory_limit, KernelLevel level, std::FILE* out,
             std::FILE* err) {
  Check check(mix_path, groups_path, rounds, memory_limit, level);
  std::vector<std::string> summary;
  const Status status = check.Run(summary);
  for (const std::string& warning : check.warnings()) {
    std::fprintf(err, "quorvalemixer: warning: %s\n", Printable(warning).c_str());
  }
  if (!status.ok()) {
    std::fprintf(err, "quorvalemixer: %s\n", Printable(status.message()).c_str());
    return kExitFailure;
  }
  for (const std::string& line : summary) std::fprintf(out, "%s\n", Printable(line).c_str());
  return kExitOk;
}

}  // namespace quorvale
