// Durations as people write them on a command line or in a mix file: "90s", "5m", "1h30m".
#pragma once

#include <cstdint>
#include <string_view>

#include "base/status.h"

namespace quorvale {

// Reads `text` as one or more whole numbers each followed by a unit, "h", "m", "s" or "ms"
// (a bare number counts as seconds), into milliseconds. The result lies in 1..(24 h); anything
// else fails with a message that quotes the text and says what is expected.
Status ParseDuration(std::string_view text, int64_t& milliseconds);

}  // namespace quorvale
