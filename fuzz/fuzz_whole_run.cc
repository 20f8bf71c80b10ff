// Fuzzes the readers and the whole way from the two input files to a finished search. The input
// is "parameters.txt", '#', "data.txt", and optionally '#' and control bytes that choose the seed,
// the clock, which saves fail and when a stop arrives. A refusal names its file. Accepted
// parameters lie in the ranges the engine relies on and read back the same from their plain
// rendering. Runs of more than 64 persons, 10 columns or 48 groups end there; for the others an
// accepted table holds only codes up to PersonCount and weights within 16 bits, rows left unread
// are counted from a line of the file, and the matrix is refused with a message or symmetric with
// an empty diagonal, row 0 and column 0. Runs of more than 30 cycles end there. Every other input
// must end in a search whose best grouping scores what it claims and never below the Target
// Score when everyone was dealt, whose every save passes the results check with best scores that
// never rise, and whose screen tells the truth about the saves.
#include <algorithm>
#include <atomic>
#include <climits>
#include <csignal>
#include <string_view>
#include <vector>

#include "app/screen_observer.h"
#include "base/format.h"
#include "console/screen.h"
#include "console/search_screen.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "engine/run_loop.h"
#include "fuzz/fuzz_check.h"
#include "input/data_reader.h"
#include "input/input_warnings.h"
#include "input/parameter_reader.h"
#include "report/results_file.h"
#include "tests/support/results_checker.h"

using namespace quorvale;

namespace {

// A clock that starts at `now`, moves on by `step` at every reading and asks for a stop at
// reading `stop_at` (0: never), and a sink that keeps every save, of which saves 1 to 8 fail as
// `fail_mask` says.
struct Fakes final : Clock, ResultsSink {
  Fakes(int64_t start, int64_t step_ms, uint32_t mask, int64_t stop_reading)
      : now(start), step(step_ms), stop_at(stop_reading), fail_mask(mask) {}
  int64_t now, step, stop_at, readings = 0;
  uint32_t fail_mask;
  std::atomic<int> stop{0};
  std::vector<std::pair<bool, std::string>> saves;  // whether it succeeded, the text
  int64_t ElapsedMs() override {
    if (++readings == stop_at) stop.store(SIGINT);
    return (now += step) - step;
  }
  Status Write(const Problem& problem, int32_t target_status, int32_t cycle_number) override {
    const bool fail = saves.size() < 8 && (fail_mask >> saves.size() & 1u) != 0;
    saves.emplace_back(!fail, FormatResults(problem, target_status, cycle_number));
    return fail ? Status::Error("no space left on the device.") : Status::Ok();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(bytes), size), text[2];
  for (std::string_view& part : text) {  // parameters.txt '#' data.txt '#' control bytes
    part = rest.substr(0, rest.find('#'));
    rest.remove_prefix(std::min(part.size() + 1, rest.size()));
  }
  uint8_t c[6] = {};  // the control bytes, 0 past their end
  std::copy_n(rest.data(), std::min<size_t>(rest.size(), 6), c);
  Parameters params, again;
  Problem p;
  Screen screen;
  InputWarnings warnings;
  Status status = ReadParameters(text[0], "parameters.txt", params);
  if (!status.ok()) {
    FUZZ_CHECK(status.message().rfind("parameters.txt", 0) == 0, status.message());
    return 0;
  }
  const auto render = [](const Parameters& q) {
    return StringPrintf("%d %d %d %d %d %d %d %d", q.PersonCount, q.ColumnCount, q.TypeMode,
                        q.GroupCount, q.RunCount, q.StagesPerRun, q.FocusCycles, q.SpreadCycles);
  };
  const int64_t cycles = (int64_t{params.FocusCycles} + params.SpreadCycles) * params.StagesPerRun;
  FUZZ_CHECK(params.PersonCount >= 2 && params.ColumnCount >= 2 && params.GroupCount >= 1 &&
                 params.RunCount >= 0 && params.StagesPerRun >= 1 && params.FocusCycles >= 0 &&
                 params.SpreadCycles >= 0 && cycles >= 1 && cycles <= INT32_MAX &&
                 cycles * params.RunCount <= INT32_MAX,
             render(params));
  status = ReadParameters(render(params), "parameters.txt", again);
  FUZZ_CHECK(status.ok() && render(again) == render(params), render(params) + status.message());
  if (params.PersonCount > 64 || params.ColumnCount > 10 || params.GroupCount > 48) return 0;
  FUZZ_CHECK(AllocateProblem(params, p, 64 << 20).ok());
  if (status = ReadDataTable(text[1], "data.txt", p, &warnings); !status.ok()) {
    FUZZ_CHECK(status.message().rfind("data.txt", 0) == 0, status.message());
    FUZZ_CHECK(status.file() == "data.txt" && !status.detail().empty(), status.message());
    return 0;
  }
  FUZZ_CHECK(warnings.rows_not_read >= 0);
  FUZZ_CHECK((warnings.rows_not_read > 0) == (warnings.first_line_not_read > 0));
  const int n = p.PersonCount();
  for (int col = 2; col < p.ColumnCount(); ++col) {
    FUZZ_CHECK(p.DataTable(0, col) >= -32768 && p.DataTable(0, col) <= 32767);
    for (int i = 1; i <= n; ++i) FUZZ_CHECK(p.DataTable(i, col) <= n);
  }
  status = BuildConflictMatrix(p);
  FUZZ_CHECK(status.ok() || !status.message().empty(), "a refusal without a message");
  if (!status.ok() || cycles * params.RunCount > 30) return 0;
  for (int k = 0; k <= n; ++k) {
    FUZZ_CHECK(p.ConflictMatrix(k, k) == 0 && p.ConflictMatrix(0, k) == 0);
    for (int j = 0; j <= n; ++j) FUZZ_CHECK(p.ConflictMatrix(k, j) == p.ConflictMatrix(j, k));
  }
  DealInitialAssignment(p);
  Engine engine(SupportedKernelLevel());
  SetUpStartValues(p, engine);
  const bool everyone_dealt = std::count(p.Assignment.begin() + 1, p.Assignment.end(), 0) == 0;
  // 0 to 25.5 s on the clock at the start: before and after interim saving begins.
  Fakes fakes(c[2] * 100, c[3], c[4], c[5] * 4);
  SearchScreen search_screen(screen);
  ScreenObserver observer(search_screen);
  SearchEnvironment env{observer, fakes, fakes, engine, c[0] + 256u * c[1], &fakes.stop};
  const SearchOutcome outcome = RunSearch(p, env);

  FUZZ_CHECK(outcome.CycleNumber >= 0 && outcome.CycleNumber <= p.TotalCycles);
  const int64_t best = p.BestScore;
  p.Assignment = p.BestAssignment;
  EvaluateAssignment(p, engine);
  FUZZ_CHECK(p.CurrentScore == best && p.PersonConflict == p.BestPersonConflict);
  FUZZ_CHECK(!everyone_dealt || best >= p.TargetScore);
  FUZZ_CHECK(outcome.stop_signal != 0 ||
             (outcome.TargetStatus == kTargetReached) == (best == p.TargetScore));
  FUZZ_CHECK(!fakes.saves.empty() && fakes.saves.back().first == outcome.saved);
  long long last_best = LLONG_MAX;
  for (const auto& [ok, results] : fakes.saves) {
    test::ResultsSummary summary;
    const std::string error = test::CheckResults(text[0], text[1], results, &summary);
    FUZZ_CHECK(error.empty(), error + "\n" + results);
    FUZZ_CHECK(!ok || summary.BestScore <= last_best);  // the saved best never rises
    if (ok) last_best = summary.BestScore;
  }
  FUZZ_CHECK(last_best != LLONG_MAX ||  // the notice promises a saved file
             screen.TextAt(19, 18, 47) != "Interim (Best-So-Far) Results-Saving is now ON.");
  FUZZ_CHECK((screen.TextAt(1, kSaveErrorRow, 28) == "Could not save the results: ") ==
             !outcome.saved);
  return 0;
}
