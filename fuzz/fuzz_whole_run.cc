// Fuzzes the whole way from the two input files to a finished search. The input is
// "parameters.txt", a '#', "data.txt", and optionally a second '#' followed by control bytes
// that choose the seed, the clock, which saves fail and when a stop arrives. Runs too large to
// be quick (more than 64 persons, 10 columns, 48 groups or 30 cycles) are skipped.
//
// Every input must end in a refusal with a message or in a finished search whose best grouping
// scores what it claims, keeps the dealt group sizes and type counts, never scores below the
// Target Score when everyone was dealt, and whose every save passes the results check, with
// best scores that never rise from one save to the next.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/screen.h"
#include "engine/conflict_matrix.h"
#include "engine/initial_assignment.h"
#include "engine/problem.h"
#include "engine/search.h"
#include "fuzz/fuzz_check.h"
#include "input/data_reader.h"
#include "input/parameter_reader.h"
#include "report/results_file.h"
#include "tests/support/results_checker.h"

namespace {

using namespace quorvale;

constexpr int32_t kMaxPersons = 64;
constexpr int32_t kMaxColumns = 10;
constexpr int32_t kMaxGroups = 48;
constexpr int64_t kMaxCycles = 30;

// The bytes after the second '#', read from the front; missing bytes read as 0.
class Controls {
 public:
  explicit Controls(std::string_view bytes) : bytes_(bytes) {}
  uint32_t Byte() {
    if (at_ >= bytes_.size()) return 0;
    return static_cast<unsigned char>(bytes_[at_++]);
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

// Elapsed time that moves on by a fixed step at every reading, and asks for a stop after a
// given number of readings (never when it is 0).
class SteppingClock final : public Clock {
 public:
  SteppingClock(int64_t start_ms, int64_t step_ms, int64_t stop_after, std::atomic<int>& stop)
      : now_(start_ms), step_(step_ms), stop_after_(stop_after), stop_(stop) {}
  int64_t ElapsedMs() override {
    if (++readings_ == stop_after_) stop_.store(SIGINT);
    const int64_t reading = now_;
    now_ += step_;
    return reading;
  }

 private:
  int64_t now_;
  int64_t step_;
  int64_t stop_after_;
  int64_t readings_ = 0;
  std::atomic<int>& stop_;
};

struct Save {
  bool ok = false;
  std::string text;
};

// Formats every save as the results file would hold it; the saves chosen by `fail_mask` (one bit
// per save, the eighth and later never) fail as a full disk would.
class MemorySink final : public ResultsSink {
 public:
  explicit MemorySink(uint32_t fail_mask) : fail_mask_(fail_mask) {}
  Status Write(const Problem& problem, int32_t target_status, int32_t cycle_number) override {
    const size_t index = saves.size();
    const bool fail = index < 8 && (fail_mask_ >> index & 1u) != 0;
    saves.push_back(Save{!fail, FormatResults(problem, target_status, cycle_number)});
    if (fail) return Status::Error("no space left on the device.");
    return Status::Ok();
  }
  std::vector<Save> saves;

 private:
  uint32_t fail_mask_;
};

void CheckRefusal(const Status& status) {
  FUZZ_CHECK(!status.message().empty(), "a refusal without a message");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('#');
  const std::string_view parameters_text = input.substr(0, split);
  std::string_view data_text =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  std::string_view control_bytes;
  if (const size_t second = data_text.find('#'); second != std::string_view::npos) {
    control_bytes = data_text.substr(second + 1);
    data_text = data_text.substr(0, second);
  }

  Parameters params;
  if (Status status = ReadParameters(parameters_text, "parameters.txt", params); !status.ok()) {
    CheckRefusal(status);
    return 0;
  }
  const int64_t cycles =
      (int64_t{params.FocusCycles} + params.SpreadCycles) * params.StagesPerRun * params.RunCount;
  if (params.PersonCount > kMaxPersons || params.ColumnCount > kMaxColumns ||
      params.GroupCount > kMaxGroups || cycles > kMaxCycles) {
    return 0;
  }

  Problem p;
  const Status allocated = AllocateProblem(params, p, 64 << 20);
  FUZZ_CHECK(allocated.ok(), "%s", allocated.message().c_str());
  if (Status status = ReadDataTable(data_text, "data.txt", p); !status.ok()) {
    CheckRefusal(status);
    return 0;
  }
  Screen screen;
  if (Status status = BuildConflictMatrix(p, screen); !status.ok()) {
    CheckRefusal(status);
    return 0;
  }
  DealInitialAssignment(p);
  SetUpStartValues(p);
  const int n = p.PersonCount;
  bool everyone_dealt = true;
  for (int i = 1; i <= n; ++i) everyone_dealt &= p.Assignment[static_cast<size_t>(i)] != 0;

  Controls controls(control_bytes);
  const uint32_t seed = controls.Byte() | controls.Byte() << 8;
  const int64_t start_ms = controls.Byte() * 100;  // 0 to 25.5 s: before and after 16 s
  const int64_t step_ms = controls.Byte();
  const uint32_t fail_mask = controls.Byte();
  const int64_t stop_after = controls.Byte() * 4;
  std::atomic<int> stop{0};
  SteppingClock clock(start_ms, step_ms, stop_after, stop);
  MemorySink sink(fail_mask);
  SearchEnvironment env{screen, clock, sink, seed, &stop};
  const SearchOutcome outcome = RunSearch(p, env);

  // The best grouping scores what the tables say.
  FUZZ_CHECK(outcome.CycleNumber >= 0 && outcome.CycleNumber <= p.TotalCycles, "cycle %d of %d",
             outcome.CycleNumber, p.TotalCycles);
  const int64_t best = p.BestScore;
  p.Assignment = p.BestAssignment;
  EvaluateAssignment(p);
  FUZZ_CHECK(p.CurrentScore == best, "best score %lld, recomputed %lld",
             static_cast<long long>(best), static_cast<long long>(p.CurrentScore));
  FUZZ_CHECK(p.PersonConflict == p.BestPersonConflict, "best person conflicts are stale");
  if (everyone_dealt) {
    FUZZ_CHECK(best >= p.TargetScore, "best score %lld beats the bound %lld",
               static_cast<long long>(best), static_cast<long long>(p.TargetScore));
  }
  if (outcome.stop_signal == 0) {
    FUZZ_CHECK((outcome.TargetStatus == kTargetReached) == (best == p.TargetScore),
               "TargetStatus %d with best %lld and target %lld", outcome.TargetStatus,
               static_cast<long long>(best), static_cast<long long>(p.TargetScore));
  }

  // Every save is a valid results file, and the saved best never gets worse.
  FUZZ_CHECK(!sink.saves.empty(), "the search ended without a save");
  FUZZ_CHECK(sink.saves.back().ok == outcome.saved, "the outcome misreports the last save");
  test::ResultsChecker checker(parameters_text, data_text);
  int64_t last_best = INT64_MAX;
  for (const Save& save : sink.saves) {
    test::ResultsSummary summary;
    const Status status = checker.Check(save.text, &summary);
    FUZZ_CHECK(status.ok(), "%s\n%s", status.message().c_str(), save.text.c_str());
    if (!save.ok) continue;
    FUZZ_CHECK(summary.BestScore <= last_best, "saved best rose from %lld to %lld",
               static_cast<long long>(last_best), static_cast<long long>(summary.BestScore));
    last_best = summary.BestScore;
  }

  // The screen tells the truth about the saves.
  const bool any_saved =
      std::any_of(sink.saves.begin(), sink.saves.end(), [](const Save& save) { return save.ok; });
  const std::string notice = screen.TextAt(19, 18, 47);
  FUZZ_CHECK(any_saved || notice != "Interim (Best-So-Far) Results-Saving is now ON.",
             "the interim notice is shown, but nothing was saved");
  const bool error_shown = screen.TextAt(1, kSaveErrorRow, 28) == "Could not save the results: ";
  FUZZ_CHECK(error_shown == !outcome.saved, "save error shown: %d, last save ok: %d", error_shown,
             outcome.saved);
  return 0;
}
