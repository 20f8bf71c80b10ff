// The run sequence from start to exit: console set-up, the lookup of the working folder (or
// set-up mode), reading the input, the conflict matrix, the first grouping, the search, the
// results file and the closing countdown.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/platform.h"
#include "app/run_notes.h"
#include "base/clock.h"
#include "base/status.h"
#include "console/console.h"
#include "engine/engine.h"
#include "engine/problem.h"
#include "engine/run_loop.h"
#include "model/model.h"
#include "proof/prover.h"
#include "proof/verdict.h"
#include "report/report_data.h"

namespace quorvale {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSignalBase = 128;

struct ProgramEnvironment {
  Console& console;
  Clock& clock;
  Pauser& pauser;
  std::string default_folder;
  // The current folder, or nothing when it cannot be found out.
  std::function<std::optional<std::string>()> current_folder;
  // The calendar time in seconds, the seed of a search without --seed.
  std::function<uint32_t()> calendar_seconds;
  const std::atomic<int>* stop = nullptr;
  double memory_limit = 1e300;  // bytes the tables may take
  // The kernels the run computes with; the program takes the best this processor offers.
  KernelLevel kernel_level = SupportedKernelLevel();
  // No interim save before the clock reads this; tests shorten the program's 16 seconds.
  int64_t first_save_ms = kFirstSaveMs;
  // Out: the lines to print below the screen once it is restored (after a run that searched).
  std::vector<std::string> summary{};
  // When set, called after every successful save of "results.txt" with the problem whose best
  // grouping was saved; a failure counts as a failed save (the roster front end's groups file).
  std::function<Status(const Problem&)> also_save = nullptr;
  // The files also_save writes, named in the summary when the last save succeeded; their
  // leftover temporary files are cleared at the start.
  std::vector<std::string> also_saved_paths{};
  // The caller holds the working folder's lock already (roster mode takes it before it writes
  // there); otherwise the run takes it, or ends at once when another run holds it.
  bool folder_locked = false;
  // Where the report goes; empty: "report.html" in the working folder.
  std::string report_path{};
  // When set, adds the names, labels and rules the report shows (the roster front end).
  std::function<void(ReportData&)> describe_report = nullptr;
  // The prover beside the search; tests let it start at once.
  ProverSettings prover{};
  // When set, the run's model (the roster front end's): nothing is read from the working folder,
  // which only receives the results.
  Model* model = nullptr;
  // False: the plan's cycle count is only the panel's total, and the search runs until its time
  // limit, its target or its proof (a roster run without [plan]).
  bool plan_ends_search = true;
  // When set, receives the verdict on the best grouping of a search that was run.
  Verdict* verdict = nullptr;
};

// Runs the program once and returns its exit code. `notes`, when given, receives what is to be
// said after the screen is handed back.
int RunProgram(const Options& options, ProgramEnvironment& environment, RunNotes* notes = nullptr);

// Joins a folder and a file name with "/".
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace quorvale
