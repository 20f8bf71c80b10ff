// Random problem instances for property and differential tests: small data tables with both
// person types (and optionally other types), positive and negative column weights and codes held
// by many persons, turned into a dealt and evaluated Problem.
#pragma once

#include <cstdint>

#include "engine/problem.h"

namespace quorvale::test {

struct RandomProblemShape {
  int persons = 12;
  int groups = 3;
  int attribute_columns = 3;
  int type_mode = 1;
  bool other_types = false;  // some persons get a type other than 1 or 2
  int max_abs_weight = 200;
  int types = 0;  // above 0: person i has type 1 + (7i + seed) % types (3 and up never dealt)
};

// The allocated problem with its data drawn from `seed`; nothing built yet.
Problem RandomData(uint32_t seed, const RandomProblemShape& shape);

// Builds the data from `seed`, then the conflict matrix, the first deal and its start values.
Problem MakeRandomProblem(uint32_t seed, const RandomProblemShape& shape);

// Turns a prepared problem into one of `rounds` rounds with `repeat_weight`: its Target Score
// (as it stands) becomes the whole schedule's and its start values the first schedule's; its
// plan of cycles stays.
void SearchInRounds(Problem& p, int32_t rounds, int32_t repeat_weight = 100);

// A shape drawn from `seed`: persons 2..max_persons, groups 1..persons + 2, every TypeMode.
RandomProblemShape RandomShape(uint32_t seed, int max_persons);

}  // namespace quorvale::test
