// The command line. With no arguments the program does what it always did; the options serve
// scripts and tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/status.h"
#include "engine/search.h"

namespace quorvale {

struct Options {
  std::optional<std::string> folder;  // --folder DIR: work there, no lookup, no set-up mode
  std::optional<uint32_t> seed;       // --seed N: seeds the search instead of the calendar time
  bool no_pause = false;              // --no-pause: no closing countdown, no key wait
  SearchStrategy search = SearchStrategy::kClassic;  // --search classic|deep
  int threads = 0;  // --threads N: chains of the deep search; 0 = the cores available
  bool help = false;
  bool version = false;
};

// Parses argv. A failure's message says what was wrong; the caller prints it with UsageText().
Status ParseOptions(int argc, char** argv, Options& options);

std::string UsageText();

}  // namespace quorvale
