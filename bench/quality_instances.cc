#include "bench/quality_instances.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

#include "engine/conflict_matrix.h"
#include "engine/engine.h"
#include "engine/initial_assignment.h"

namespace quorvale::bench {

namespace {

// Every instance's columns and types come from this seed, so a name always means one problem.
constexpr uint32_t kInstanceSeed = 2026;

// The group counts the benchmark's first instances were measured with, for KIND-N names.
int DefaultGroups(int persons) {
  switch (persons) {
    case 100:
      return 5;
    case 150:
      return 6;
    case 200:
      return 8;
    case 300:
      return 15;
    case 1000:
    case 5000:
      return 20;
    default:
      return std::max(5, persons / 50);
  }
}

// A column's codes: `codes` of them, each person's drawn with weights falling like 1/(rank+2).
std::vector<int> SkewedCodes(std::mt19937& rng, int persons, int codes) {
  std::vector<double> weights;
  for (int c = 0; c < codes; ++c) weights.push_back(1.0 / (c + 2));
  std::discrete_distribution<int> pick(weights.begin(), weights.end());
  std::vector<int> out;
  for (int i = 0; i < persons; ++i) out.push_back(1 + pick(rng));
  return out;
}

std::vector<int> EvenCodes(std::mt19937& rng, int persons, int codes) {
  std::vector<int> out;
  for (int i = 0; i < persons; ++i) out.push_back(1 + static_cast<int>(rng() % codes));
  return out;
}

// From 2 codes to a fifth of the persons, evenly on a log scale: `draw` in 0..999.
int LogCodes(int persons, uint32_t draw) {
  const double top = std::log(std::max(3.0, persons / 5.0));
  return std::max(
      2, static_cast<int>(
             std::exp(std::log(2.0) + (top - std::log(2.0)) * static_cast<double>(draw) / 1000.0)));
}

struct Columns {
  std::vector<int> weights;
  std::vector<std::vector<int>> codes;
};

Columns MakeColumns(const Instance& instance, std::mt19937& rng, bool describe) {
  const int n = instance.persons;
  Columns c;
  switch (instance.kind) {
    case Kind::kClasses: {
      std::vector<int> classes;  // classes of about 25
      for (int i = 0; i < n; ++i) classes.push_back(1 + i * std::max(1, n / 25) / n);
      std::shuffle(classes.begin(), classes.end(), rng);
      std::vector<int> language;  // 70 in 100 speak language 1, the rest one of four others
      for (int i = 0; i < n; ++i) {
        language.push_back(rng() % 100 < 70 ? 1 : 2 + static_cast<int>(rng() % 4));
      }
      c.weights = {100, 50, -50};
      c.codes = {classes, SkewedCodes(rng, n, std::max(2, n / 15)), language};
      break;
    }
    case Kind::kPacked:
      c.weights = {100, 60, -40, 30, -20};
      c.codes = {SkewedCodes(rng, n, n / 25), SkewedCodes(rng, n, n / 12), SkewedCodes(rng, n, 6),
                 SkewedCodes(rng, n, 40), SkewedCodes(rng, n, n / 50)};
      break;
    case Kind::kSpread: {
      std::vector<int> friends;
      for (int i = 0; i < n; ++i) friends.push_back(1 + i / 3);
      std::shuffle(friends.begin(), friends.end(), rng);
      c.weights = {100, 60, 30, 20, -20};
      c.codes = {SkewedCodes(rng, n, n / 25), SkewedCodes(rng, n, n / 12), SkewedCodes(rng, n, 40),
                 SkewedCodes(rng, n, 8), friends};
      break;
    }
    case Kind::kMixed:
    case Kind::kOneType:
      c.weights = {100, 60, -40, 30, 20};
      c.codes = {SkewedCodes(rng, n, n / 25), SkewedCodes(rng, n, n / 12),
                 SkewedCodes(rng, n, n / 20), SkewedCodes(rng, n, 40), SkewedCodes(rng, n, 8)};
      break;
    case Kind::kWide:
      c.weights = {100, 80, 60, 50, 40, 30, 30, 20, 20, 10, -60, -40, -30, -20};
      for (size_t col = 0; col < c.weights.size(); ++col) {
        const int codes = LogCodes(n, static_cast<uint32_t>(rng() % 1000));
        c.codes.push_back(col % 2 == 0 ? SkewedCodes(rng, n, codes) : EvenCodes(rng, n, codes));
      }
      break;
    case Kind::kRandomShape: {
      std::mt19937 shape(instance.shape_seed);
      const int column_count = 3 + static_cast<int>(shape() % 4);
      for (int col = 0; col < column_count; ++col) {
        int w = 0;
        while (w == 0) w = 10 * (static_cast<int>(shape() % 21) - 10);
        c.weights.push_back(w);
        const int codes = LogCodes(n, static_cast<uint32_t>(shape() % 1000));
        const bool skewed = shape() % 2 == 0;
        if (describe) {
          std::fprintf(stderr, "column %d: weight %d, %d codes, %s\n", col, w, codes,
                       skewed ? "skewed" : "even");
        }
        c.codes.push_back(skewed ? SkewedCodes(rng, n, codes) : EvenCodes(rng, n, codes));
      }
      break;
    }
  }
  return c;
}

Parameters MakeParameters(const Instance& instance, int columns) {
  Parameters params;
  params.PersonCount = instance.persons;
  params.ColumnCount = columns + 2;
  params.TypeMode = instance.kind == Kind::kOneType ? 3 : 1;
  params.GroupCount = instance.groups;
  // A plan long enough that only the clock ends a run.
  params.RunCount = 100000;
  params.StagesPerRun = 4;
  params.FocusCycles = 5;
  params.SpreadCycles = 5;
  return params;
}

}  // namespace

bool ParseInstance(const std::string& name, Instance& instance) {
  struct KindName {
    const char* name;
    Kind kind;
  };
  static constexpr KindName kKinds[] = {{"class", Kind::kClasses},   {"mixed", Kind::kMixed},
                                        {"packed", Kind::kPacked},   {"spread", Kind::kSpread},
                                        {"onetype", Kind::kOneType}, {"wide", Kind::kWide}};
  unsigned seed = 0;
  int persons = 0;
  int groups = 0;
  char end = 0;
  if (std::sscanf(name.c_str(), "shape-%u-%d-%d%c", &seed, &persons, &groups, &end) == 3) {
    instance = {name, persons, groups, Kind::kRandomShape, seed};
    return persons >= 2 && groups >= 1;
  }
  for (const KindName& kind : kKinds) {
    const std::string prefix = std::string(kind.name) + "-";
    if (name.rfind(prefix, 0) != 0) continue;
    const int fields =
        std::sscanf(name.c_str() + prefix.size(), "%d-%d%c", &persons, &groups, &end);
    if (fields == 1) groups = DefaultGroups(persons);
    if ((fields != 1 && fields != 2) || persons < 50 || groups < 1) return false;
    instance = {name, persons, groups, kind.kind, 0};
    return true;
  }
  return false;
}

Problem BuildInstance(const Instance& instance, bool describe) {
  std::mt19937 rng(kInstanceSeed);
  const Columns columns = MakeColumns(instance, rng, describe);
  const int n = instance.persons;
  Problem p;
  if (!AllocateProblem(MakeParameters(instance, static_cast<int>(columns.codes.size())), p).ok()) {
    std::exit(1);
  }
  for (size_t c = 0; c < columns.codes.size(); ++c) {
    const int col = static_cast<int>(c) + 2;
    p.DataTable(0, col) = columns.weights[c];
    for (int i = 1; i <= n; ++i) p.DataTable(i, col) = columns.codes[c][static_cast<size_t>(i - 1)];
  }
  for (int i = 1; i <= n; ++i) {
    p.DataTable(i, 0) = i;
    p.DataTable(i, 1) = 1 + static_cast<int>(rng() % 2);
  }
  if (!BuildConflictMatrix(p).ok()) std::exit(1);
  DealInitialAssignment(p);
  Engine engine(SupportedKernelLevel());
  SetUpStartValues(p, engine);
  return p;
}

Status WriteInstanceFolder(const Instance& instance, const std::string& folder) {
  // The data table as built, before the deal (which makes every type 1 under TypeMode 3).
  std::mt19937 rng(kInstanceSeed);
  const Columns columns = MakeColumns(instance, rng, false);
  const Parameters params = MakeParameters(instance, static_cast<int>(columns.codes.size()));
  std::ofstream parameters(folder + "/parameters.txt");
  parameters << params.PersonCount << ' ' << params.ColumnCount << ' ' << params.TypeMode << ' '
             << params.GroupCount << ' ' << params.RunCount << ' ' << params.StagesPerRun << ' '
             << params.FocusCycles << ' ' << params.SpreadCycles << '\n';
  std::ofstream data(folder + "/data.txt");
  data << "0\t0";
  for (const int w : columns.weights) data << '\t' << w;
  data << '\n';
  for (int i = 1; i <= instance.persons; ++i) {
    data << i << '\t' << 1 + static_cast<int>(rng() % 2);
    for (const std::vector<int>& codes : columns.codes) {
      data << '\t' << codes[static_cast<size_t>(i - 1)];
    }
    data << '\n';
  }
  if (!parameters || !data) return Status::Error("cannot write the instance into " + folder);
  return Status::Ok();
}

}  // namespace quorvale::bench
