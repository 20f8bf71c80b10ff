#include "report/verdict.h"

#include "base/format.h"

namespace quorvale {

std::string FormatPoints(int64_t hundredths) {
  const bool negative = hundredths < 0;
  const uint64_t magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(hundredths)
                                      : static_cast<uint64_t>(hundredths);
  return StringPrintf("%s%llu.%02llu", negative ? "-" : "",
                      static_cast<unsigned long long>(magnitude / 100),
                      static_cast<unsigned long long>(magnitude % 100));
}

std::string VerdictSentence(int64_t best_score, int64_t target_score) {
  if (best_score <= target_score) {
    return "Target Score reached: no grouping can have fewer conflicts.";
  }
  return "Target Score not reached: the best grouping lies " +
         FormatPoints(best_score - target_score) +
         " above it. The Target Score counts each column on its own and is often out of reach, so "
         "this may still be the best grouping possible.";
}

std::string VerdictLine(int64_t best_score, int64_t target_score) {
  if (best_score <= target_score) return VerdictSentence(best_score, target_score);
  return "Target Score not reached: " + FormatPoints(best_score - target_score) +
         " above it (see the report).";
}

namespace {

// Whether the verdict measures the gap from the proven lower bound rather than from the Target
// Score: once a bound above the Target Score is proven, or the solver has bounded the score.
bool GapToProvenBound(const Verdict& v) {
  return v.LowerBound > v.TargetScore || (v.solver_ran && v.solver_bound);
}

}  // namespace

std::string VerdictSentence(const Verdict& v) {
  if (v.BestScore <= v.TargetScore) return VerdictSentence(v.BestScore, v.TargetScore);
  if (v.proven_best) {
    return "Proven best possible: no grouping can have fewer conflicts. The Target Score counts "
           "each column on its own and is out of reach here.";
  }
  if (GapToProvenBound(v)) {
    return "At most " + FormatPoints(v.Gap()) +
           " above the best possible: no grouping can score below " + FormatPoints(v.LowerBound) +
           ".";
  }
  return VerdictSentence(v.BestScore, v.TargetScore);
}

std::string VerdictLine(const Verdict& v) {
  if (v.BestScore <= v.TargetScore) return VerdictLine(v.BestScore, v.TargetScore);
  if (v.proven_best) return "Proven best possible: no grouping can have fewer conflicts.";
  if (GapToProvenBound(v)) {
    return "At most " + FormatPoints(v.Gap()) + " above the best possible (see the report).";
  }
  return VerdictLine(v.BestScore, v.TargetScore);
}

}  // namespace quorvale
