// One timed run of a search on a benchmark instance: the classic or deep search through the run
// loop, or one of the peers' stand-ins, with the best score it had found at given times. Each
// run's best grouping is checked against a full evaluation and the dealt group sizes and types.
#pragma once

#include <cstdint>
#include <vector>

#include "bench/quality_instances.h"

namespace quorvale::bench {

enum class Method { kClassic, kDeep, kLocalMaximumPeer, kThreePhasePeer };

// "classic", "deep", "local-maximum" or "three-phase".
const char* MethodName(Method method);
// False for a name that is none of those.
bool ParseMethod(const char* name, Method& method);

// Runs count processor time of the whole process instead of wall-clock time: for comparing
// one-thread runs on a machine that others share.
void UseProcessorTime(bool on);

struct RunResult {
  int64_t target = 0;            // the Target Score
  std::vector<int64_t> best_at;  // the best score at each checkpoint
  int64_t steps = 0;             // cycles (rounds of the deep search), repetitions or generations
  int32_t in_conflict = 0;       // classic and deep: persons in conflict in the best grouping
};

// Runs `method` on `threads` threads until the last checkpoint (milliseconds, ascending).
// `verbose`: the best score every half second on standard output.
RunResult RunMethod(const Instance& instance, Method method, int threads, uint32_t seed,
                    const std::vector<int64_t>& checkpoints_ms, bool verbose = false);

}  // namespace quorvale::bench
