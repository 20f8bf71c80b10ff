// Fakes for driving the engine and the driver without waiting: a clock moved by hand (or by a
// fixed step per reading), a scripted random source, a results sink that records every save,
// and a pauser that returns at once.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "app/platform.h"
#include "base/clock.h"
#include "engine/random.h"
#include "engine/results_sink.h"

namespace quorvale::test {

class FakeClock final : public Clock {
 public:
  explicit FakeClock(int64_t start_ms = 0, int64_t step_ms = 0) : now_(start_ms), step_(step_ms) {}
  int64_t ElapsedMs() override { return (now_ += step_) - step_; }
  void Set(int64_t ms) { now_ = ms; }

 private:
  int64_t now_;
  int64_t step_;
};

// Yields the given numbers, then zeros, and counts the draws.
class ScriptedRandom final : public RandomSource {
 public:
  explicit ScriptedRandom(std::deque<int> numbers) : numbers_(std::move(numbers)) {}
  int Next() override {
    ++draws;
    if (numbers_.empty()) return 0;
    const int next = numbers_.front();
    numbers_.pop_front();
    return next;
  }
  int draws = 0;

 private:
  std::deque<int> numbers_;
};

struct RecordedSave {
  int32_t target_status = 0;
  int32_t cycle_number = 0;
  int64_t best_score = 0;
  int64_t at_ms = 0;
  std::vector<int32_t> best_assignment;
};

// Records every save; the next `fail_next` saves fail with "disk full".
class RecordingSink final : public ResultsSink {
 public:
  explicit RecordingSink(Clock* clock = nullptr) : clock_(clock) {}
  Status Write(const Problem& p, int32_t target_status, int32_t cycle_number) override {
    saves.push_back({target_status, cycle_number, p.BestScore,
                     clock_ != nullptr ? clock_->ElapsedMs() : 0, p.BestAssignment});
    if (fail_next == 0) return Status::Ok();
    --fail_next;
    return Status::Error("disk full");
  }
  std::vector<RecordedSave> saves;
  int fail_next = 0;

 private:
  Clock* clock_;
};

class InstantPauser final : public Pauser {
 public:
  bool Sleep(int milliseconds) override {
    slept_ms += milliseconds;
    return true;
  }
  bool WaitForKey() override {
    ++keys;
    return true;
  }
  int slept_ms = 0;
  int keys = 0;
};

}  // namespace quorvale::test
