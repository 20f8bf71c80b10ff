// The rounds benchmark: the search over several rounds, in processor time on one thread, on
//   - the social golfer problem: Kirkman's fifteen schoolgirls (15 persons in 5 groups for 7
//     rounds, 60 s) and 32 golfers in 8 groups for 8 and for 9 rounds (120 s): the time until
//     nobody meets anybody twice, or the repeated meetings left at the limit;
//   - a class of 60 with balance, spread, pack and rules over 3 rounds: the pairs that meet more
//     than once (together-rule pairs aside) against three independent groupings searched as long
//     in all, with every round checked for its sizes, its balance and its rules.
// Every best schedule is checked against a full recount of its score.
//
//   - a class of 1000 in 40 groups over 5 rounds: the time the first schedule takes, and the
//     search's time against a limit of 10 s.
//
//   quorvale_rounds [--instance=kirkman|golfers-8|golfers-9|class-60|large] [--seeds=N]
//                   [--seconds=S]
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "engine/conflict_matrix.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"
#include "engine/problem.h"
#include "engine/repeat_meetings.h"
#include "engine/run_loop.h"

namespace quorvale {
namespace {

int64_t ProcessorMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

// Processor time since it was made: the machine is shared, and the search runs on one thread.
class ProcessorClock final : public Clock {
 public:
  int64_t ElapsedMs() override { return ProcessorMs() - start_ms_; }

 private:
  int64_t start_ms_ = ProcessorMs();
};

class NullSink final : public ResultsSink {
 public:
  Status Write(const Problem&, int32_t, int32_t) override { return Status::Ok(); }
};

class QuietObserver final : public SearchObserver {
 public:
  void PanelDue(const PanelValues&, int64_t) override {}
  void InterimSavingOn() override {}
  void SaveFailed(const std::string&) override {}
  void SaveRecovered() override {}
  void Closing(bool) override {}
};

// A plan long enough that only the clock or the target ends a run.
Parameters Plan(int persons, int columns, int groups, int type_mode) {
  Parameters params;
  params.PersonCount = persons;
  params.ColumnCount = columns;
  params.TypeMode = type_mode;
  params.GroupCount = groups;
  params.RunCount = 100000;
  params.StagesPerRun = 4;
  params.FocusCycles = 5;
  params.SpreadCycles = 5;
  return params;
}

void Prepare(Problem& p) {
  if (!BuildConflictMatrix(p).ok()) std::exit(1);
  DealInitialAssignment(p);
  SetUpStartValues(p, Engine(SupportedKernelLevel()));
}

// Persons with nothing but a name: only the repeats count.
Problem Golfers(int persons, int groups, int rounds) {
  Problem p;
  if (!AllocateProblem(Plan(persons, 2, groups, 3), p).ok()) std::exit(1);
  for (int i = 1; i <= persons; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = 1;
  }
  p.Rounds = rounds;
  p.RepeatWeight = 100;
  Prepare(p);
  return p;
}

// Persons of the class who are to be apart, and who are to be together.
const std::vector<std::vector<int>> kApart = {{1, 2}, {3, 4, 5}, {20, 21}};
const std::vector<std::vector<int>> kTogether = {{6, 7}, {8, 9}, {30, 31}};
constexpr int kRuleWeight = 10000;

// Sixty pupils in six groups: gender balanced (two balance types), classes spread (100), home
// towns spread (50), the first languages other than the majority's packed (-50), and the rules
// above as columns of their own.
Problem ClassOf60(int rounds) {
  constexpr int n = 60;
  std::mt19937 rng(2026);
  Problem p;
  if (!AllocateProblem(Plan(n, 7, 6, 1), p).ok()) std::exit(1);
  const int weights[] = {100, 50, -50, kRuleWeight, -kRuleWeight};
  for (int c = 0; c < 5; ++c) p.DataTable(0, c + 2) = weights[c];
  for (int i = 1; i <= n; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = 1 + static_cast<int>(rng() % 2);
    p.DataTable(i, 2) = 1 + (i - 1) / 15;                 // four classes of 15
    p.DataTable(i, 3) = 1 + static_cast<int>(rng() % 8);  // eight towns
    const int language = static_cast<int>(rng() % 10);    // 6 in 10 speak the majority's
    p.DataTable(i, 4) = language < 6 ? 1 : 2 + language % 3;
  }
  for (size_t r = 0; r < kApart.size(); ++r) {
    for (const int i : kApart[r]) p.DataTable(i, 5) = static_cast<int>(r) + 1;
  }
  for (size_t r = 0; r < kTogether.size(); ++r) {
    for (const int i : kTogether[r]) p.DataTable(i, 6) = static_cast<int>(r) + 1;
    for (size_t a = 0; a < kTogether[r].size(); ++a) {
      for (size_t b = a + 1; b < kTogether[r].size(); ++b) {
        p.RepeatExempt.emplace_back(kTogether[r][a], kTogether[r][b]);
      }
    }
  }
  p.KeepsMajority = {0, 0, 0, 0, 0, 1, 1};  // the rules' columns
  p.BalanceTypes = 2;
  p.Rounds = rounds;
  p.RepeatWeight = 100;
  Prepare(p);
  return p;
}

// A large class for the scale row: two balance types, classes of 25 spread (100) and forty
// towns spread (50); a schedule without repeats keeps them all.
Problem LargeClass(int persons, int groups, int rounds) {
  std::mt19937 rng(2027);
  Problem p;
  if (!AllocateProblem(Plan(persons, 4, groups, 1), p).ok()) std::exit(1);
  p.DataTable(0, 2) = 100;
  p.DataTable(0, 3) = 50;
  for (int i = 1; i <= persons; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = 1 + static_cast<int>(rng() % 2);
    p.DataTable(i, 2) = 1 + (i - 1) / 25;
    p.DataTable(i, 3) = 1 + static_cast<int>(rng() % 40);
  }
  p.BalanceTypes = 2;
  p.Rounds = rounds;
  p.RepeatWeight = 100;
  Prepare(p);
  return p;
}

struct Run {
  int64_t ms = 0;  // processor time of the start and the search
  int64_t score = 0;
  std::vector<std::vector<int32_t>> rounds;
  bool target = false;
};

// Searches `p` (prepared, its start counted from `start_ms`) for at most `seconds`.
Run Search(Problem& p, int64_t start_ms, int seconds, uint32_t seed) {
  QuietObserver observer;
  ProcessorClock clock;
  NullSink sink;
  Engine engine(SupportedKernelLevel());
  std::atomic<int> stop{0};
  SearchEnvironment env{observer, clock, sink, engine, seed, &stop};
  env.first_save_ms = INT64_MAX;
  env.plan_ends_search = false;
  env.time_limit_ms = int64_t{seconds} * 1000;
  const SearchOutcome outcome = RunSearch(p, env);
  Run run;
  run.ms = ProcessorMs() - start_ms;
  run.score = p.BestScore;
  run.rounds = p.Rounds > 1 ? p.BestRounds : std::vector<std::vector<int32_t>>{p.BestAssignment};
  run.target = outcome.TargetStatus == kTargetReached;
  return run;
}

// The whole schedule's score recounted: every round's evaluation and the repeats.
int64_t Recount(Problem& p, const std::vector<std::vector<int32_t>>& rounds) {
  Engine engine(SupportedKernelLevel());
  int64_t score = 0;
  for (const std::vector<int32_t>& round : rounds) {
    p.Assignment = round;
    score += EvaluateAssignment(p, engine);
  }
  RepeatMeetings meetings(p);
  return score + meetings.Load(rounds);
}

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::exit(1);
}

// Pairs (not exempt) meeting more than once, and the meetings beyond the first.
struct Repeats {
  int64_t pairs = 0;
  int64_t extra = 0;
};
Repeats CountRepeats(const Problem& p, const std::vector<std::vector<int32_t>>& rounds) {
  RepeatMeetings meetings(p);
  meetings.Load(rounds);
  Repeats repeats;
  for (int a = 1; a <= p.PersonCount(); ++a) {
    for (int b = a + 1; b <= p.PersonCount(); ++b) {
      if (meetings.Exempt(a, b) || meetings.Meetings(a, b) < 2) continue;
      ++repeats.pairs;
      repeats.extra += meetings.Meetings(a, b) - 1;
    }
  }
  return repeats;
}

struct GolferCase {
  const char* name;
  int persons, groups, rounds, seconds;
};
constexpr GolferCase kGolferCases[] = {
    {"kirkman", 15, 5, 7, 60}, {"golfers-8", 32, 8, 8, 120}, {"golfers-9", 32, 8, 9, 120}};

void GolferRows(const GolferCase& c, int seeds, int seconds) {
  for (int seed = 1; seed <= seeds; ++seed) {
    const int64_t start = ProcessorMs();
    Problem p = Golfers(c.persons, c.groups, c.rounds);
    const Run run =
        Search(p, start, seconds > 0 ? seconds : c.seconds, static_cast<uint32_t>(seed));
    Check(Recount(p, run.rounds) == run.score, "the best score is its schedule's");
    const Repeats repeats = CountRepeats(p, run.rounds);
    std::printf("| %s | %d/%d/%d | %d | %.1f | %s | %lld |\n", c.name, c.persons, c.groups,
                c.rounds, seed, static_cast<double>(run.ms) / 1000.0,
                repeats.extra == 0 ? "yes" : "no", static_cast<long long>(repeats.extra));
    std::fflush(stdout);
  }
}

// Every round of the class keeps its group sizes, its gender counts and its rules.
void CheckClassRounds(const Problem& p, const std::vector<std::vector<int32_t>>& rounds) {
  for (const std::vector<int32_t>& round : rounds) {
    std::vector<std::vector<int>> counts(7, std::vector<int>(3, 0));
    for (int i = 1; i <= 60; ++i)
      ++counts[static_cast<size_t>(round[static_cast<size_t>(i)])][static_cast<size_t>(p.Type(i))];
    for (int g = 1; g <= 6; ++g) {
      Check(counts[static_cast<size_t>(g)][1] + counts[static_cast<size_t>(g)][2] == 10, "sizes");
    }
    for (const std::vector<int>& rule : kApart) {
      for (size_t a = 0; a < rule.size(); ++a) {
        for (size_t b = a + 1; b < rule.size(); ++b) {
          Check(round[static_cast<size_t>(rule[a])] != round[static_cast<size_t>(rule[b])],
                "apart");
        }
      }
    }
    for (const std::vector<int>& rule : kTogether) {
      for (const int i : rule)
        Check(round[static_cast<size_t>(i)] == round[static_cast<size_t>(rule[0])], "together");
    }
  }
  for (size_t r = 1; r < rounds.size(); ++r) {  // the same gender counts as the first round
    for (int g = 1; g <= 6; ++g) {
      int here = 0, first = 0;
      for (int i = 1; i <= 60; ++i) {
        here += rounds[r][static_cast<size_t>(i)] == g && p.Type(i) == 1;
        first += rounds[0][static_cast<size_t>(i)] == g && p.Type(i) == 1;
      }
      Check(here == first, "balance");
    }
  }
}

void ClassRows(int seeds, int seconds) {
  constexpr int kRounds = 3;
  const int total = seconds > 0 ? seconds : 30;
  for (int seed = 1; seed <= seeds; ++seed) {
    // Three independent groupings, each searched a third of the time.
    std::vector<std::vector<int32_t>> independent;
    int64_t independent_score = 0;
    int64_t independent_ms = 0;
    int64_t round_target = 0;
    for (int r = 0; r < kRounds; ++r) {
      const int64_t start = ProcessorMs();
      Problem one = ClassOf60(0);
      const Run run = Search(one, start, total / kRounds, static_cast<uint32_t>(seed * 10 + r));
      independent.push_back(run.rounds[0]);
      independent_score += run.score;
      independent_ms += run.ms;
      round_target = one.TargetScore;
    }
    const int64_t start = ProcessorMs();
    Problem p = ClassOf60(kRounds);
    const Run run = Search(p, start, total, static_cast<uint32_t>(seed));
    Check(Recount(p, run.rounds) == run.score, "the best score is its schedule's");
    CheckClassRounds(p, independent);
    CheckClassRounds(p, run.rounds);
    const Repeats alone = CountRepeats(p, independent);
    const Repeats together = CountRepeats(p, run.rounds);
    const int64_t rounds_repeat_cost = together.extra * p.RepeatWeight;
    std::printf("| class-60 | %d | %.2f | %.1f | %lld | %.2f | %.1f | %lld | %.2f |\n", seed,
                static_cast<double>(round_target) / 100.0,
                static_cast<double>(independent_ms) / 1000.0, static_cast<long long>(alone.pairs),
                static_cast<double>(independent_score) / 100.0 / kRounds,
                static_cast<double>(run.ms) / 1000.0, static_cast<long long>(together.pairs),
                static_cast<double>(run.score - rounds_repeat_cost) / 100.0 / kRounds);
    std::fflush(stdout);
  }
}

// The start and the time limit on a large class: the search must end within a few of its short
// cycles of the limit.
void LargeRows(int seconds) {
  constexpr int kPersons = 1000, kGroups = 40, kRounds = 5;
  const int limit = seconds > 0 ? seconds : 10;
  const int64_t start = ProcessorMs();
  Problem p = LargeClass(kPersons, kGroups, kRounds);
  const int64_t prepared = ProcessorMs();
  const Run run = Search(p, prepared, limit, 1);
  Check(Recount(p, run.rounds) == run.score, "the best score is its schedule's");
  const Repeats repeats = CountRepeats(p, run.rounds);
  std::printf("| large | %d/%d/%d | %.1f | %d | %.2f | %.2f | %.2f | %lld |\n", kPersons, kGroups,
              kRounds, static_cast<double>(prepared - start) / 1000.0, limit,
              static_cast<double>(run.ms) / 1000.0, static_cast<double>(p.TargetScore) / 100.0,
              static_cast<double>(run.score) / 100.0, static_cast<long long>(repeats.pairs));
  std::fflush(stdout);
}

int Main(int argc, char** argv) {
  std::string only;
  int seeds = 3;
  int seconds = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strncmp(arg, "--instance=", 11) == 0) {
      only = arg + 11;
    } else if (std::strncmp(arg, "--seeds=", 8) == 0) {
      seeds = std::atoi(arg + 8);
    } else if (std::strncmp(arg, "--seconds=", 10) == 0) {
      seconds = std::atoi(arg + 10);
    } else {
      std::fprintf(stderr,
                   "usage: %s [--instance=kirkman|golfers-8|golfers-9|class-60|large] [--seeds=N] "
                   "[--seconds=S]\n",
                   argv[0]);
      return 2;
    }
  }
  std::printf(
      "| instance | persons/groups/rounds | seed | processor s | nobody twice | "
      "repeats left |\n|---|---|---|---|---|---|\n");
  for (const GolferCase& c : kGolferCases) {
    if (only.empty() || only == c.name) GolferRows(c, seeds, seconds);
  }
  if (only.empty() || only == "class-60") {
    std::printf(
        "\n| instance | seed | round Target Score | independent s | pairs met twice or more | "
        "mean round score | "
        "rounds s | pairs met twice or more | mean round score |\n"
        "|---|---|---|---|---|---|---|---|---|\n");
    ClassRows(seeds, seconds);
  }
  if (only.empty() || only == "large") {
    std::printf(
        "\n| instance | persons/groups/rounds | start s | limit s | search s | Target Score | "
        "best score | pairs met twice or more |\n|---|---|---|---|---|---|---|---|\n");
    LargeRows(seconds);
  }
  return 0;
}

}  // namespace
}  // namespace quorvale

int main(int argc, char** argv) { return quorvale::Main(argc, argv); }
