// Parsing of durations.
#include "base/duration.h"

#include <string>

namespace quorvale {

namespace {

constexpr int64_t kMaxMilliseconds = 24LL * 3600 * 1000;

Status Refuse(std::string_view text) {
  return Status::Error("'" + std::string(text) +
                       "' is not a duration; expected a whole number with a unit, such as "
                       "90s, 5m, 1h30m or 500ms (at most 24h)");
}

}  // namespace

Status ParseDuration(std::string_view text, int64_t& milliseconds) {
  int64_t total = 0;
  size_t at = 0;
  if (text.empty()) return Refuse(text);
  while (at < text.size()) {
    int64_t number = 0;
    const size_t digits_from = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      number = number * 10 + (text[at++] - '0');
      if (number > kMaxMilliseconds) return Refuse(text);
    }
    if (at == digits_from) return Refuse(text);
    int64_t unit = 1000;  // a bare number is seconds
    if (text.substr(at, 2) == "ms") {
      unit = 1;
      at += 2;
    } else if (at < text.size()) {
      switch (text[at++]) {
        case 'h':
          unit = int64_t{3600} * 1000;
          break;
        case 'm':
          unit = int64_t{60} * 1000;
          break;
        case 's':
          unit = 1000;
          break;
        default:
          return Refuse(text);
      }
    } else if (digits_from != 0) {
      return Refuse(text);  // "1m30": the last number needs its unit too
    }
    total += number * unit;
    if (total > kMaxMilliseconds) return Refuse(text);
  }
  if (total < 1) return Refuse(text);
  milliseconds = total;
  return Status::Ok();
}

}  // namespace quorvale
