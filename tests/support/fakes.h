// Fakes for driving the engine and the driver without waiting: a clock that tests move by hand
// (or that advances on every reading), a scripted random source, a results sink that records
// every save, and a pauser that returns at once.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/platform.h"
#include "engine/clock.h"
#include "engine/problem.h"
#include "engine/random.h"
#include "engine/results_sink.h"
#include "engine/status.h"

namespace quorvale::test {

class FakeClock final : public Clock {
 public:
  explicit FakeClock(int64_t start_ms = 0, int64_t step_ms = 0) : now_(start_ms), step_(step_ms) {}
  int64_t ElapsedMs() override {
    const int64_t reading = now_;
    now_ += step_;
    ++readings_;
    return reading;
  }
  void Set(int64_t ms) { now_ = ms; }
  void Advance(int64_t ms) { now_ += ms; }
  int64_t readings() const { return readings_; }

 private:
  int64_t now_;
  int64_t step_;
  int64_t readings_ = 0;
};

// Yields the given numbers, then zeros.
class ScriptedRandom final : public RandomSource {
 public:
  explicit ScriptedRandom(std::deque<int> numbers) : numbers_(std::move(numbers)) {}
  int Next() override {
    ++draws_;
    if (numbers_.empty()) return 0;
    const int next = numbers_.front();
    numbers_.pop_front();
    return next;
  }
  int draws() const { return draws_; }

 private:
  std::deque<int> numbers_;
  int draws_ = 0;
};

struct RecordedSave {
  int32_t target_status = 0;
  int32_t cycle_number = 0;
  int64_t best_score = 0;
  int64_t at_ms = 0;
  std::vector<int32_t> best_assignment;
};

class RecordingSink final : public ResultsSink {
 public:
  explicit RecordingSink(Clock* clock = nullptr) : clock_(clock) {}
  Status Write(const Problem& problem, int32_t target_status, int32_t cycle_number) override {
    RecordedSave save{target_status, cycle_number, problem.BestScore,
                      clock_ != nullptr ? clock_->ElapsedMs() : 0, problem.BestAssignment};
    saves.push_back(save);
    if (fail_next > 0) {
      --fail_next;
      return Status::Error("disk full");
    }
    return Status::Ok();
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
