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

std::string VerdictSentence(const Verdict& v) {
  if (v.BestScore <= v.TargetScore) return VerdictSentence(v.BestScore, v.TargetScore);
  if (v.proven_best) {
    return "Proven best possible: no grouping can have fewer conflicts. The Target Score counts "
           "each column on its own and is out of reach here.";
  }
  if (v.solver_ran && v.solver_bound) {
    return "At most " + FormatPoints(v.Gap()) +
           " above the best possible: no grouping can score below " + FormatPoints(v.LowerBound) +
           ".";
  }
  std::string text = VerdictSentence(v.BestScore, v.TargetScore);
  if (v.LowerBound > v.TargetScore) {
    text += " No grouping can score below " + FormatPoints(v.LowerBound) +
            ", a bound that also counts each group's persons of each type.";
  }
  return text;
}

std::string VerdictLine(const Verdict& v) {
  if (v.BestScore <= v.TargetScore) return VerdictLine(v.BestScore, v.TargetScore);
  if (v.proven_best) return "Proven best possible: no grouping can have fewer conflicts.";
  if (v.solver_ran && v.solver_bound) {
    return "At most " + FormatPoints(v.Gap()) + " above the best possible (see the report).";
  }
  return VerdictLine(v.BestScore, v.TargetScore);
}

}  // namespace quorvale
