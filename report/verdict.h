// The verdict on a grouping in plain words: the report's heading and the summary's line.
#pragma once

#include <cstdint>
#include <string>

#include "proof/verdict.h"

namespace quorvale {

// Hundredths as points with two decimals, "-12.50".
std::string FormatPoints(int64_t hundredths);

// One sentence: whether the best score reached the Target Score, or how far above it lies.
std::string VerdictSentence(int64_t best_score, int64_t target_score);

// The same verdict in one short line, for the summary below the screen.
std::string VerdictLine(int64_t best_score, int64_t target_score);

// The verdict with the proven bounds: "proven best possible", "at most X above the best
// possible", or the Target Score's verdict with the highest bound proven.
std::string VerdictSentence(const Verdict& verdict);
std::string VerdictLine(const Verdict& verdict);

}  // namespace quorvale
