// A descent monitor that stops a descent which runs away, as one whose tables went wrong would:
// a broken kernel then fails its test at once instead of hanging it until the test timeout.
#pragma once

#include <cstdint>

#include "engine/search_monitor.h"

namespace quorvale::test {

class BoundedMonitor : public SearchMonitor {
 public:
  // Far more exchanges than any descent of the tests' instances makes.
  explicit BoundedMonitor(int64_t max_exchanges = 200000) : max_exchanges_(max_exchanges) {}
  void AfterExchange(const Problem&) override { ++exchanges; }
  bool StopRequested() override { return exchanges > max_exchanges_; }
  int64_t exchanges = 0;

 private:
  int64_t max_exchanges_;
};

}  // namespace quorvale::test
