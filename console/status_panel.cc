// Status panel drawing. Every label carries enough trailing spaces to erase a longer one from
// the drawing before.
#include "console/status_panel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/format.h"

namespace quorvale {

namespace {

constexpr int kBarColumn = 1;
constexpr int kBarRow = 10;

std::string Marker(int64_t value) { return StringPrintf("<%lld>", static_cast<long long>(value)); }

std::string Dots(int64_t count) {
  return std::string(static_cast<size_t>(std::max<int64_t>(count, 0)), '.');
}

}  // namespace

int64_t GapDots(int64_t d) {
  if (d <= 40) return d;
  int64_t k = 2;
  do {
    d /= 10;
    ++k;
  } while (d >= 10);
  ++k;
  return d + 9 * k;
}

int64_t DigitAllowance(int64_t v) {
  int64_t n = 0;
  do {
    v /= 10;
    ++n;
  } while (v >= 10);
  return n;
}

void DrawStatusPanel(Console& console, const PanelValues& values, int64_t elapsed_ms) {
  // The panel never shows a best score above the current one.
  const int64_t best = std::min(values.best, values.current);
  const auto best_points = static_cast<float>(static_cast<double>(best) / 100.0);
  const auto b = static_cast<int64_t>(best_points);
  const auto t = static_cast<int64_t>(values.target);
  const int64_t c = values.current / 100;

  console.SetAttribute(kYellowOnGreen);
  console.SetCursor(28, 8);
  console.Write(StringPrintf("<Best-So-Far>: %.2f     ", static_cast<double>(best_points)));
  console.SetAttribute(kWhiteOnGreen);
  console.SetCursor(68, 8);
  // A search that goes on past its plan (a roster run until its proof or time limit) shows the
  // count alone, padded over the longer text, within the row's last 32 columns.
  console.Write(values.cycle > values.total
                    ? StringPrintf("Scrambler Cycles: %-14d", values.cycle)
                    : StringPrintf("Scrambler Cycles: %d of %d", values.cycle, values.total));
  console.SetAttribute(kMagentaOnGreen);
  console.SetCursor(54, 8);
  console.Write("<Current>");

  int64_t d1 = GapDots(b - t);
  int64_t d2 = GapDots(c - b);
  int64_t w = d1 + d2 + 10 + DigitAllowance(t) + DigitAllowance(b) + DigitAllowance(c);
  if (w >= 100) {
    const int64_t e = w - 100;
    if (d2 <= e) {
      d1 -= e - d2;
      d2 = 0;
    } else {
      d2 -= e;
    }
    w = 100;
  }

  std::string bar_target = Marker(t);
  std::string bar_best = Dots(d1) + Marker(b);
  std::string bar_current = Dots(d2) + Marker(c);
  // The allowance counts one digit for any negative score, so a capped bar of wide negative
  // scores can be longer than the row; it is cut at the row's end instead of wrapping its last
  // characters onto the empty row below, where nothing would erase them.
  size_t left = static_cast<size_t>(kScreenColumns - kBarColumn);
  for (std::string* part : {&bar_target, &bar_best, &bar_current}) {
    if (part->size() > left) part->resize(left);
    left -= part->size();
  }
  // The trailing spaces erase what a longer bar left on the row. A negative gap (a best score
  // below the target) would ask for more spaces than the row has, and they would run on over the
  // notices below; they stop one cell past the row's end, where a full bar also ends.
  const auto drawn = static_cast<int64_t>(bar_target.size() + bar_best.size() + bar_current.size());
  const int64_t room = kScreenColumns - kBarColumn + 1 - drawn;
  const int64_t spaces = std::clamp<int64_t>(101 - w, 0, std::max<int64_t>(room, 0));

  console.SetCursor(kBarColumn, kBarRow);
  console.SetAttribute(kCyanOnGreen);
  console.Write(bar_target);
  console.SetAttribute(kYellowOnGreen);
  console.Write(bar_best);
  console.SetAttribute(kMagentaOnGreen);
  console.Write(bar_current);
  console.Write(std::string(static_cast<size_t>(spaces), ' '));

  const int64_t seconds = elapsed_ms / 1000;
  console.SetAttribute(kWhiteOnGreen);
  console.SetCursor(1, 23);
  console.Write(StringPrintf("Search Time = %2lld mins: %2lld secs.",
                             static_cast<long long>(seconds / 60),
                             static_cast<long long>(seconds % 60)));
  console.ShowPanel(values, elapsed_ms);
  console.Flush();
}

}  // namespace quorvale
