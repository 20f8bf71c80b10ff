// The instances of the search-quality benchmark, built here from fixed seeds: class lists, mixed
// weights, packed and spread columns, one type only, many small groups, many columns and random
// shapes, from 100 to 5000 persons. Lower scores are better.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"
#include "engine/problem.h"

namespace quorvale::bench {

enum class Kind {
  // A class column (weight 100) to spread former classmates, a town column (50) to spread
  // neighbours and a language column (-50) with one majority language, so that speakers of the
  // other languages stay together; two types.
  kClasses,
  // Five columns of positive and negative weights, mostly spreading, so the Target Score is far
  // out of reach; two types.
  kMixed,
  // Like kMixed, with a negative column of six codes: large groups of persons want to be
  // together.
  kPacked,
  // Spreading in every column but one, with codes too common to spread without conflicts, so the
  // Target Score is positive; only threes of friends want to be together.
  kSpread,
  // kMixed's columns with everyone of one type (TypeMode 3).
  kOneType,
  // Fourteen columns, weights from -60 to 100, codes from a few to a fifth of the persons.
  kWide,
  // 3 to 6 columns with weights of -100 to 100 in tens, 2 codes to a fifth of the persons per
  // column, skewed or even, all drawn from the shape's seed.
  kRandomShape,
};

struct Instance {
  std::string name;
  int persons = 0;
  int groups = 0;
  Kind kind = Kind::kClasses;
  uint32_t shape_seed = 0;  // kRandomShape only
};

// The instance called `name`: KIND-N or KIND-N-G with KIND one of class, mixed, packed, spread,
// onetype and wide (G: N / 50, at least 5, when left out), or shape-S-N-G for the random shape of
// seed S. False for any other name.
bool ParseInstance(const std::string& name, Instance& instance);

// Builds the instance's problem with its first grouping dealt and evaluated. `describe`: the
// columns of a random shape are printed on standard error.
Problem BuildInstance(const Instance& instance, bool describe = false);

// Writes the instance as parameters.txt and data.txt into `folder`, which must exist, so that the
// program itself can run it: a plan far longer than any time limit.
Status WriteInstanceFolder(const Instance& instance, const std::string& folder);

}  // namespace quorvale::bench
