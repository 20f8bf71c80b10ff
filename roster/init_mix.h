// `quorvalemixer init`: a first mix file for a roster, with every column described and a role
// suggested for it, ready to run as it stands and easy to edit.
#pragma once

#include <string>

#include "base/status.h"
#include "roster/roster_csv.h"

namespace quorvale {

// The suggested roles of the roster's columns.
struct InitSuggestion {
  int name_column = -1;       // all values present and different (or nearly, named so)
  bool names_repeat = false;  // some rows share a name, or have none: rules cannot name them
  int balance_column = -1;    // exactly two values, none missing
  int together_column = -1;   // every non-empty cell names persons: kept with the row's person
  int apart_column = -1;      // the same, a header that says apart, not, avoid, separate, without
  std::vector<int> averages;  // numbers with more than ten values: suggested, commented out
  std::vector<int> spread;    // columns with repeated values, spread with `weight`
  int weight = 100;           // less when so many columns are spread that rules would lack room
  int groups = 2;             // about 25 persons a group, at least 2
};

// REQUIRES: at least two persons (fewer cannot be grouped).
InitSuggestion SuggestRoles(const Roster& roster);

// The mix file's text. `roster_reference` is how the mix file names the roster (its file name:
// the mix file lies beside it).
std::string FormatInitMix(const Roster& roster, const std::string& roster_reference);

// Creates `path` with `text`; never replaces a file that exists (it fails, naming it).
Status CreateNewFile(const std::string& path, const std::string& text);

// A TOML basic string: `text` in quotes, with quotes, backslashes and control characters escaped.
std::string TomlQuote(const std::string& text);

}  // namespace quorvale
