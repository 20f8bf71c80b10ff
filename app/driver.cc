// The driver. Every way out goes through here: a failure is shown from row 8 in the start-up
// colours and ends with the countdown and exit code 1, before anything is computed from bad
// input and without writing "results.txt"; a folder that another run holds ends the run at once.
#include "app/driver.h"

#include "app/run_report.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/folder_lock.h"
#include "app/screen_observer.h"
#include "base/format.h"
#include "base/safe_text.h"
#include "console/box.h"
#include "console/search_screen.h"
#include "engine/conflict_matrix.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "engine/problem.h"
#include "engine/proof_board.h"
#include "engine/repeat_meetings.h"
#include "engine/run_loop.h"
#include "input/data_reader.h"
#include "input/file_reader.h"
#include "input/parameter_reader.h"
#include "proof/categories.h"
#include "proof/proven_bound.h"
#include "proof/prover.h"
#include "report/html_report.h"
#include "report/results_file.h"

namespace quorvale {

namespace {

constexpr const char* kParametersFile = "parameters.txt";
constexpr const char* kDataFile = "data.txt";
constexpr const char* kResultsFile = "results.txt";
constexpr const char* kReportFile = "report.html";
constexpr const char* kWhereAmIFile = "Where-am-I.txt";

constexpr int kMessageRow = 8;
constexpr int kLastMessageRow = 22;
constexpr size_t kMessageWidth = 98;

// Breaks `text` into lines of at most `width` characters, at spaces where it can.
std::vector<std::string> WrapText(std::string_view text, size_t width) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    if (text.size() <= width) {
      lines.emplace_back(text);
      break;
    }
    size_t cut = text.rfind(' ', width);
    if (cut == std::string_view::npos || cut == 0) cut = width;
    lines.emplace_back(text.substr(0, cut));
    text.remove_prefix(cut);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  }
  return lines;
}

// The cores the deep search may use by default.
int AvailableCores() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 256u));
}

// A missing file keeps the program's classic wording; any other failure says what is wrong.
Status OpenFailure(const std::string& path, const FileText& file) {
  if (file.missing) {
    return Status::ErrorInFile("Sorry. Unable to open " + path, path, 0, "there is no such file.");
  }
  return Status::Error("Sorry. " + file.status.message());
}

// Whatever the environment saves with the results (the groups file), then "results.txt": a save
// cut short between the two never leaves "results.txt" ahead of the groups file, and one that
// fails on the groups file leaves "results.txt" as it was. With rounds the groups file is the
// result: "results.txt" holds one grouping and is not written.
class ChainedSink final : public ResultsSink {
 public:
  ChainedSink(const std::function<Status(const Problem&)>& first, ResultsSink& results,
              bool write_results)
      : first_(first), results_(results), write_results_(write_results) {}
  Status Write(const Problem& problem, int32_t target_status, int32_t cycle_number) override {
    first_failed_ = false;
    if (first_) {
      if (Status status = first_(problem); !status.ok()) {
        first_failed_ = true;
        return status;
      }
    }
    if (!write_results_) return Status::Ok();
    return results_.Write(problem, target_status, cycle_number);
  }
  bool writes_results() const { return write_results_; }
  // Whether the last save failed before "results.txt".
  bool first_failed() const { return first_failed_; }

 private:
  const std::function<Status(const Problem&)>& first_;
  ResultsSink& results_;
  const bool write_results_;
  bool first_failed_ = false;
};

class Run {
 public:
  Run(const Options& options, ProgramEnvironment& env, RunNotes& notes)
      : options_(options), env_(env), notes_(notes) {}
  int Execute();

 private:
  Console& console() { return env_.console; }
  int StopExitCode() const {
    const int signal = env_.stop != nullptr ? env_.stop->load() : 0;
    return signal != 0 ? kExitSignalBase + signal : 0;
  }
  // Shows `message` from `row` on, one space in from the left edge.
  void ShowMessage(const std::string& message, int row = kMessageRow,
                   int last_row = kLastMessageRow);
  // The message, the countdown, exit code 1.
  int Fail(const Status& failure);
  // The closing countdown; `code` unless a stop signal cut it short.
  int CountDownAndExit(int code);
  int SetUpMode(const std::string& current_folder);
  // The HTML report of the best grouping and the summary lines; a report that cannot be written
  // is said in the summary and changes nothing else.
  void WriteReport(const Problem& problem, const std::string& folder, uint32_t seed,
                   const SearchOutcome& outcome, const ResultsFile& results,
                   const ChainedSink& sink, const Verdict& verdict);
  // The note on a failed save: which file failed, and why.
  std::string SaveFailure(const SearchOutcome& outcome, const ResultsFile& results,
                          const ChainedSink& sink) const;
  std::string ReportPath(const std::string& folder) const {
    return env_.report_path.empty() ? JoinPath(folder, kReportFile) : env_.report_path;
  }
  void PrintBanner();
  // Reads parameters.txt (whose text is given) and data.txt from `folder` into `problem`.
  // Returns -1 when both were read, else the exit code of the failure.
  int ReadFolder(const std::string& folder, FileText& parameters, Problem& problem);

  const Options& options_;
  ProgramEnvironment& env_;
  RunNotes& notes_;
};

void Run::ShowMessage(const std::string& message, int row, int last_row) {
  console().SetAttribute(kWhiteOnGreen);
  for (const std::string& line : WrapText(message, kMessageWidth)) {
    if (row > last_row) break;
    console().SetCursor(0, row++);
    console().Write(" " + line);
  }
  console().Flush();
}

int Run::Fail(const Status& failure) {
  notes_.failure = failure;
  ShowMessage(failure.message());
  return CountDownAndExit(kExitFailure);
}

int Run::CountDownAndExit(int code) {
  if (const int stopped = StopExitCode(); stopped != 0) return stopped;
  if (options_.no_pause) return code;
  const int64_t seconds = env_.clock.ElapsedMs() / 1000;
  for (int k = 5; k >= 1; --k) {
    console().SetCursor(0, 23);
    console().Write(StringPrintf("\r Search Time = %2lld mins: %2lld secs.",
                                 static_cast<long long>(seconds / 60),
                                 static_cast<long long>(seconds % 60)));
    console().Write(std::string(48, ' '));
    console().Write(StringPrintf("Pause... %d seconds.", k));
    console().Flush();
    if (!env_.pauser.Sleep(1000)) return StopExitCode();
  }
  return code;
}

void Run::PrintBanner() {
  console().Write("\n\n                           QUORVALE-MIXER     by      BRELLOCK");
  console().Write("\n\n                                        Release: July 2011");
  console().Write("\n\n Reading Parameter and Data Files...");
  console().Write(std::string(43, ' '));
  console().Flush();
}

int Run::SetUpMode(const std::string& current_folder) {
  console().SetCursor(1, 1);
  console().Write("\n Welcome to Quorvalemixer.exe:  Set-up Mode:");
  console().Write(std::string(49, ' '));
  const std::string where = JoinPath(current_folder, kWhereAmIFile);
  if (Status status = ReplaceFileAtomically(where, current_folder); !status.ok()) {
    notes_.failure = Status::Error("Sorry. Unable to write " + where + ": " + status.message());
    ShowMessage(notes_.failure.message(), 5);
    if (!options_.no_pause) env_.pauser.WaitForKey();
    if (const int stopped = StopExitCode(); stopped != 0) return stopped;
    return kExitFailure;
  }
  static constexpr const char* kTexts[] = {
      "\n\n\n (1) Quorvalemixer has now created a text-file, called 'Where-am-I.txt' containing "
      "the "
      "current",
      "\n\n     Directory Path, and has saved it to the same directory where Quorvalemixer.exe "
      "currently sits.",
      "\n\n\n (2) If you have not previously done so (with Quorvalemixer.exe in this Directory) "
      "please",
      "\n\n     adjust the color balance for Quorvalemixer's display window, as follows:",
      "\n\n      (a) 'Right click' on the title bar <Welcome to Quorvalemixer.exe> at the top of "
      "this window",
      "\n\n      (b) Select 'Properties' from the drop-down menu. amd then the 'Color' tab.",
      "\n\n      (c) Select 'Screen Background' and reduce the Green intensity to 70; click OK",
      "\n\n      (d) If asked, select 'Save Properties for future windows with same title' & click "
      "OK",
      "\n\n\n When you have done this, please press the space bar (to close)...",
  };
  for (const char* text : kTexts) console().Write(text);
  console().Flush();
  if (!options_.no_pause) env_.pauser.WaitForKey();
  env_.summary = {"Folder: " + current_folder, "Wrote:  " + where};
  if (const int stopped = StopExitCode(); stopped != 0) return stopped;
  return kExitOk;
}

std::string Run::SaveFailure(const SearchOutcome& outcome, const ResultsFile& results,
                             const ChainedSink& sink) const {
  if (!sink.first_failed() || env_.also_saved_paths.empty()) {
    return "Could not save the results: " + outcome.save_error;
  }
  if (!sink.writes_results()) {
    return "Could not save " + env_.also_saved_paths.front() + ": " + outcome.save_error;
  }
  return "Could not save " + env_.also_saved_paths.front() + " (nor, after it, " + results.path() +
         "): " + outcome.save_error;
}

void Run::WriteReport(const Problem& problem, const std::string& folder, uint32_t seed,
                      const SearchOutcome& outcome, const ResultsFile& results,
                      const ChainedSink& sink, const Verdict& verdict) {
  ReportData data = FolderReportData(problem, folder);
  data.verdict = verdict;
  data.rows_not_read = notes_.warnings.rows_not_read;
  if (env_.describe_report) env_.describe_report(data);
  RunFacts& run = data.run;
  run.date = LocalDateTime();
  run.seed = seed;
  run.cycle_reached = outcome.CycleNumber;
  run.elapsed_ms = env_.clock.ElapsedMs();
  run.target_reached = outcome.TargetStatus == kTargetReached;
  run.stop_signal = outcome.stop_signal;
  run.time_limit_hit = outcome.time_limit_hit;
  // A search cut short by its time limit repeats exactly when it is ended at the same cycle.
  // Quoted for the shell; a mix whose name starts with '-' is named so that it reads as no option.
  run.repeat_command =
      (env_.describe_report
           ? "quorvalemixer " + ShellQuote((data.title.starts_with('-') ? "./" : "") + data.title)
           : "quorvalemixer --folder " + ShellQuote(data.title)) +
      StringPrintf(" --seed %u", seed);
  if (options_.rounds) run.repeat_command += StringPrintf(" --rounds %d", *options_.rounds);
  const int threads = options_.threads > 0 ? options_.threads : AvailableCores();
  // Rounds are searched by their own strategy, on one thread, whatever --search says.
  const bool deep = options_.search == SearchStrategy::kDeep && problem.Rounds <= 1;
  if (deep) {
    run.repeat_command += StringPrintf(" --search deep --threads %d", threads);
  }
  if (outcome.time_limit_hit || options_.last_cycle) {
    run.repeat_command += StringPrintf(" --last-cycle %d", outcome.CycleNumber);
  }
  if (deep && threads > 1) {
    run.repeat_command += " (the deep search repeats exactly only on one thread)";
  } else if (outcome.cut_mid_cycle) {
    run.repeat_command += " (the time limit cut its last cycle short: it repeats only nearly)";
  }
  std::vector<std::string> written;
  std::vector<std::string> notes;
  if (outcome.saved && sink.writes_results()) written.push_back(results.path());
  // The files saved before "results.txt" were saved when it was, or when it alone failed.
  if (outcome.saved || !sink.first_failed()) {
    written.insert(written.end(), env_.also_saved_paths.begin(), env_.also_saved_paths.end());
  }
  if (!outcome.saved) notes.push_back(SaveFailure(outcome, results, sink));
  const std::string report_path = ReportPath(folder);
  if (Status status = ReplaceFileAtomically(report_path, RenderReport(problem, data));
      status.ok()) {
    written.push_back(report_path);
  } else {
    notes.push_back("Could not write the report: " + status.message());
  }
  // Roster mode speaks of the mix's wishes in words; folder mode's columns have no names.
  env_.summary = data.mix_units ? WordsSummaryLines(problem, data, folder, written, notes)
                                : SummaryLines(problem, verdict, folder, written, notes);
}

int Run::ReadFolder(const std::string& folder, FileText& parameters, Problem& problem) {
  const std::string parameters_path = JoinPath(folder, kParametersFile);
  if (!parameters.status.ok()) return Fail(OpenFailure(parameters_path, parameters));
  Parameters params;
  if (Status status = ReadParameters(parameters.text, parameters_path, params); !status.ok()) {
    return Fail(status);
  }
  parameters = FileText{};
  if (Status status = AllocateProblem(params, problem, env_.memory_limit); !status.ok()) {
    return Fail(status);
  }
  const std::string data_path = JoinPath(folder, kDataFile);
  FileText data = ReadFileText(data_path);
  if (!data.status.ok()) return Fail(OpenFailure(data_path, data));
  if (Status status = ReadDataTable(data.text, data_path, problem, &notes_.warnings);
      !status.ok()) {
    return Fail(status);
  }
  notes_.data_file = data_path;
  notes_.warnings.persons_left_out = FindPersonsLeftOut(problem);
  return -1;
}

int Run::Execute() {
  SetUpConsole(console());

  // The working folder: the one given, else the installation folder, else the current one.
  std::string folder;
  FileText parameters;
  if (options_.folder) {
    folder = *options_.folder;
    if (env_.model == nullptr) parameters = ReadFileText(JoinPath(folder, kParametersFile));
  } else {
    folder = env_.default_folder;
    parameters = ReadFileText(JoinPath(folder, kParametersFile));
    if (parameters.missing) {
      const std::optional<std::string> current = env_.current_folder();
      if (!current) {
        PrintBanner();
        return Fail(Status::Error(
            "Sorry. The current folder cannot be found out, so parameters.txt cannot be "
            "looked for there."));
      }
      folder = *current;
      parameters = ReadFileText(JoinPath(folder, kParametersFile));
      if (parameters.missing) return SetUpMode(folder);
    }
  }

  PrintBanner();
  // The folder is this run's until it ends: a second run must neither clear nor replace its
  // files. It ends at once, without the countdown.
  FolderLock lock;
  if (Status status = env_.folder_locked ? Status::Ok() : lock.Take(folder); !status.ok()) {
    notes_.failure = Status::Error("Sorry. " + status.message());
    ShowMessage(notes_.failure.message());
    return kExitFailure;
  }
  // A save cut short by a kill leaves its temporary file; nothing else writes that pattern.
  for (const std::string& path : env_.also_saved_paths) RemoveLeftoverTemporaries(path);
  RemoveLeftoverTemporaries(JoinPath(folder, kResultsFile));
  RemoveLeftoverTemporaries(ReportPath(folder));
  Problem problem;
  if (env_.model != nullptr) {
    if (Status status = LoadModel(std::move(*env_.model), problem, env_.memory_limit);
        !status.ok()) {
      return Fail(status);
    }
  } else if (const int failed = ReadFolder(folder, parameters, problem); failed >= 0) {
    return failed;
  }
  if (const int stopped = StopExitCode(); stopped != 0) return stopped;

  // The categories as the data states them; building the matrix clears turned-around codes.
  const std::vector<Category> categories = ListCategories(problem);
  SearchScreen screen(console());
  screen.ShowBuildingMatrix();
  if (Status status = BuildConflictMatrix(problem, env_.kernel_level); !status.ok()) {
    return Fail(status);
  }
  screen.ShowSearching(problem.ShownTargetScore);
  // The one choice of the kernels for the whole run.
  Engine engine(env_.kernel_level);
  DealInitialAssignment(problem);
  SetUpStartValues(problem, engine);
  screen.ShowPanel(PanelValues{problem.CurrentScore, problem.ShownTargetScore, problem.CurrentScore,
                               0, problem.TotalCycles},
                   env_.clock.ElapsedMs());

  ResultsFile results(JoinPath(folder, kResultsFile));
  const uint32_t seed = options_.seed ? *options_.seed : env_.calendar_seconds();
  // With rounds the groups file holds the schedule; there is no exact proof across rounds.
  const bool rounds = problem.Rounds > 1;
  ChainedSink sink(env_.also_save, results, !rounds || !env_.also_save);
  ScreenObserver observer(screen);
  SearchEnvironment search_env{observer,  env_.clock,        sink, engine, seed,
                               env_.stop, env_.first_save_ms};
  search_env.time_limit_ms = options_.time_limit_ms.value_or(0);
  search_env.last_cycle = options_.last_cycle.value_or(0);
  search_env.plan_ends_search = env_.plan_ends_search;
  // The prover runs beside every search for the verdict; only --stop-when-proven lets its
  // bound end the search.
  const int64_t proven_bound = ScheduleTargetScore(problem, ProvenBound(problem, categories));
  ProofBoard board(proven_bound);
  ProverSettings prover_settings = env_.prover;
  if (options_.time_limit_ms && prover_settings.time_limit_ms == 0) {
    prover_settings.time_limit_ms = *options_.time_limit_ms;
  }
  std::optional<Prover> prover;
  if (!rounds) {
    prover.emplace(problem, categories, board, prover_settings);
    search_env.proof = &board;
    search_env.stop_when_proven = options_.stop_when_proven;
    prover->Start();
  }
  search_env.strategy = options_.search;
  search_env.threads = options_.threads > 0 ? options_.threads : AvailableCores();
  const SearchOutcome outcome = RunSearch(problem, search_env);
  std::optional<ProverReport> proof_report;
  if (prover) {
    prover->Stop();
    proof_report = prover->Report();
  }
  const Verdict verdict =
      MakeVerdict(problem, proven_bound, proof_report ? &*proof_report : nullptr);
  if (env_.verdict != nullptr) *env_.verdict = verdict;
  WriteReport(problem, folder, seed, outcome, results, sink, verdict);

  if (outcome.stop_signal != 0) {
    if (outcome.saved) {
      // The two rows a failed save would use, so that a long path cannot reach the notice box.
      const std::string saved_in = sink.writes_results() || env_.also_saved_paths.empty()
                                       ? results.path()
                                       : env_.also_saved_paths.front();
      ShowMessage("Search stopped: the best grouping found so far is saved in " + saved_in,
                  kSaveErrorRow, kSaveErrorRow + 1);
    }
    return kExitSignalBase + outcome.stop_signal;
  }
  if (!outcome.saved) notes_.failure = Status::Error(SaveFailure(outcome, results, sink));
  return CountDownAndExit(outcome.saved ? kExitOk : kExitFailure);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

int RunProgram(const Options& options, ProgramEnvironment& environment, RunNotes* notes) {
  RunNotes unused;
  Run run(options, environment, notes != nullptr ? *notes : unused);
  return run.Execute();
}

}  // namespace quorvale
