// Writing the first mix file. Its settings are active where a run needs them and safe to guess
// (name, groups, balance, spread); everything else is a comment to uncomment.
#include "roster/init_mix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

#include "base/format.h"
#include "roster/mix_wishes.h"
#include "roster/person_names.h"

namespace quorvale {

namespace {

constexpr int kPersonsPerGroup = 25;
constexpr int kSuggestedWeight = 100;
// The most the spread columns may add up to for two persons: a quarter of the pair range, so
// that rules, if added, get a weight far above them.
constexpr int64_t kSpreadRoom = 8191;

struct ColumnFacts {
  std::vector<std::string> values;  // distinct, in first appearance
  std::vector<int> holders;         // per value
  int empty = 0;
  bool all_numbers = true;  // whole numbers only
  bool all_decimal = true;  // numbers as [average] reads them
  int majority = -1;        // index of a value held by more than half the persons
};

// A header that asks to keep apart: one of its words is one of these, or begins with one of the
// longer ones ("separately", "avoids").
bool SaysApart(const std::string& header) {
  std::string word;
  const auto apart_word = [](const std::string& w) {
    if (w == "not" || w == "apart" || w == "without") return true;
    return w.rfind("avoid", 0) == 0 || w.rfind("separat", 0) == 0;
  };
  for (const char c : header + " ") {
    if (std::isalpha(static_cast<unsigned char>(c))) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!word.empty()) {
      if (apart_word(word)) return true;
      word.clear();
    }
  }
  return false;
}

// Whether every non-empty cell of `column` names persons of the name column (several separated by
// ";"), and at least one does.
bool NamesPersons(const Roster& roster, size_t column, const PersonNames& names) {
  bool any = false;
  for (const auto& row : roster.cells) {
    const std::string& cell = row[column];
    size_t from = 0;
    while (from <= cell.size() && !cell.empty()) {
      size_t end = cell.find(';', from);
      if (end == std::string::npos) end = cell.size();
      const std::string_view name = Trim(std::string_view(cell).substr(from, end - from));
      from = end + 1;
      if (name.empty()) continue;
      if (names.Find(name).person < 0) return false;
      any = true;
    }
  }
  return any;
}

ColumnFacts FactsOf(const Roster& roster, size_t column) {
  ColumnFacts facts;
  std::map<std::string, size_t> index;
  for (const auto& row : roster.cells) {
    const std::string& value = row[column];
    if (value.empty()) {
      ++facts.empty;
      continue;
    }
    if (value.find_first_not_of("0123456789") != std::string::npos) facts.all_numbers = false;
    int64_t number = 0;
    int32_t decimals = 0;
    if (!ParseDecimal(value, number, decimals)) facts.all_decimal = false;
    auto [it, added] = index.emplace(value, facts.values.size());
    if (added) {
      facts.values.push_back(value);
      facts.holders.push_back(0);
    }
    ++facts.holders[it->second];
  }
  const int n = roster.PersonCount();
  for (size_t k = 0; k < facts.holders.size(); ++k) {
    if (facts.holders[k] >= 2 && facts.holders[k] > n / 2) facts.majority = static_cast<int>(k);
  }
  return facts;
}

// A value for a comment: on one line, not too long.
std::string Shown(const std::string& value) {
  std::string shown;
  for (char c : value) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
  if (shown.size() > 24) {
    size_t cut = 21;  // never inside a UTF-8 character: the mix file must stay UTF-8
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    shown = shown.substr(0, cut) + "...";
  }
  return shown;
}

std::string Examples(const ColumnFacts& facts) {
  std::string text;
  const size_t shown = std::min<size_t>(3, facts.values.size());
  for (size_t k = 0; k < shown; ++k) text += (k > 0 ? ", " : "") + Shown(facts.values[k]);
  if (facts.values.size() > shown) text += ", ...";
  return text;
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text + " ";
}

}  // namespace

std::string TomlQuote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      quoted += StringPrintf("\\u%04X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

InitSuggestion SuggestRoles(const Roster& roster) {
  InitSuggestion suggestion;
  const int n = roster.PersonCount();
  std::vector<ColumnFacts> facts;
  for (size_t c = 0; c < roster.header.size(); ++c) facts.push_back(FactsOf(roster, c));
  // A name column: every value present and different; words beat numbers (an ID column).
  for (int pass = 0; pass < 2 && suggestion.name_column < 0; ++pass) {
    for (size_t c = 0; c < facts.size(); ++c) {
      const bool unique = facts[c].empty == 0 && static_cast<int>(facts[c].values.size()) == n;
      if (unique && (pass == 1 || !facts[c].all_numbers)) {
        suggestion.name_column = static_cast<int>(c);
        break;
      }
    }
  }
  // Else a column headed as names whose values mostly differ: it still names the persons in the
  // outputs, and the rows that share a name or have none are said in the file.
  for (size_t c = 0; c < facts.size() && suggestion.name_column < 0; ++c) {
    std::string lower;
    for (const char ch : roster.header[c]) {
      lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    if (lower.find("name") != std::string::npos && !facts[c].all_numbers &&
        facts[c].values.size() * 10 >= static_cast<size_t>(n) * 8) {
      suggestion.name_column = static_cast<int>(c);
      suggestion.names_repeat = true;
    }
  }
  std::optional<PersonNames> names;
  if (suggestion.name_column >= 0) {
    std::vector<std::string> list;
    for (const auto& row : roster.cells) list.push_back(row[size_t(suggestion.name_column)]);
    names.emplace(list);
  }
  for (size_t c = 0; c < facts.size(); ++c) {
    const int column = static_cast<int>(c);
    if (column == suggestion.name_column) continue;
    const size_t values = facts[c].values.size();
    if (names && NamesPersons(roster, c, *names)) {
      int& rule_column =
          SaysApart(roster.header[c]) ? suggestion.apart_column : suggestion.together_column;
      if (rule_column < 0) rule_column = column;
      continue;
    }
    if (facts[c].all_decimal && values > 10) {
      suggestion.averages.push_back(column);  // a mark or a score: its mean, not its values
      continue;
    }
    if (suggestion.balance_column < 0 && values == 2 && facts[c].empty == 0) {
      suggestion.balance_column = column;
    } else if (static_cast<int>(values) < n - facts[c].empty) {
      suggestion.spread.push_back(column);
    }
  }
  // A spread column adds its weight once for two persons, twice for a turned-around majority.
  int64_t shares = 0;
  for (size_t k = 0; k < suggestion.spread.size(); ++k) {
    const int share = facts[static_cast<size_t>(suggestion.spread[k])].majority >= 0 ? 2 : 1;
    if (shares + share > kSpreadRoom) {
      suggestion.spread.resize(k);  // even weight 1 leaves no room for more
      break;
    }
    shares += share;
  }
  if (shares > 0) {
    suggestion.weight = static_cast<int>(std::min<int64_t>(kSuggestedWeight, kSpreadRoom / shares));
  }
  suggestion.groups =
      std::clamp(static_cast<int>(std::lround(static_cast<double>(n) / kPersonsPerGroup)), 2, n);
  return suggestion;
}

std::string FormatInitMix(const Roster& roster, const std::string& roster_reference) {
  const InitSuggestion s = SuggestRoles(roster);
  const int n = roster.PersonCount();
  std::string mix_name = roster_reference;
  if (const size_t dot = mix_name.rfind('.'); dot != std::string::npos) mix_name.resize(dot);
  mix_name += ".toml";
  auto key = [&](int column) { return TomlQuote(roster.header[static_cast<size_t>(column)]); };

  std::string out;
  out += "# Mix file for " + roster_reference + " (" + std::to_string(n) +
         " persons), written by \"quorvalemixer init\".\n";
  out += "# Check the suggestions below, edit what you like, then run:  quorvalemixer " + mix_name +
         "\n";
  out += "# A lower score is better. A weight of 100 costs one point for every two persons who\n";
  out += "# share a value and land in one group, so a value held by many persons pulls harder.\n\n";
  out += "roster = " + TomlQuote(roster_reference) + "\n";
  if (s.name_column >= 0 && s.names_repeat) {
    out += Padded("name = " + key(s.name_column), 28) +
           "# names the persons; some rows share a name or have none, and no rule can name "
           "those\n";
  } else if (s.name_column >= 0) {
    out += Padded("name = " + key(s.name_column), 28) +
           "# all values differ: names the persons in the outputs and in [rules]\n";
  } else {
    out +=
        Padded("# name = \"COLUMN\"", 28) + "# no column has a different value for every person\n";
  }
  out += Padded("groups = " + std::to_string(s.groups), 28) +
         "# or: group_size = 25 (groups = persons / size, rounded up)\n";
  if (s.balance_column >= 0) {
    out += Padded("balance = " + key(s.balance_column), 28) +
           "# two values: each group gets its share of both\n";
  } else {
    out += Padded("# balance = \"COLUMN\"", 28) +
           "# a column of two values (and none missing) to balance over the groups\n";
  }
  out += Padded("# seed = 12345", 28) + "# the same seed gives the same groups again\n";
  out += Padded("# time_limit = \"60s\"", 28) +
         "# the search stops after this long (60s unless [plan] is given)\n\n";

  out += "# The roster's columns:\n";
  for (size_t c = 0; c < roster.header.size(); ++c) {
    const ColumnFacts facts = FactsOf(roster, c);
    const int column = static_cast<int>(c);
    std::string role = "left out";
    if (column == s.name_column)
      role = "name";
    else if (column == s.together_column)
      role = "together_column";
    else if (column == s.apart_column)
      role = "apart_column";
    else if (column == s.balance_column)
      role = "balance";
    else if (std::count(s.spread.begin(), s.spread.end(), column) > 0)
      role = "spread";
    std::string line = "#   " + key(column) + ": " + std::to_string(facts.values.size()) +
                       (facts.values.size() == 1 ? " value" : " values");
    if (!facts.values.empty()) line += " (" + Examples(facts) + ")";
    if (facts.empty > 0) line += ", " + std::to_string(facts.empty) + " empty";
    line += "; suggested: " + role;
    if (role == "left out" && std::count(s.averages.begin(), s.averages.end(), column) > 0)
      line += " (numbers: see [average])";
    else if (role == "left out" && facts.values.empty())
      line += " (no values)";
    else if (role == "left out" && static_cast<int>(facts.values.size()) < n - facts.empty)
      line += " (too many columns to spread)";
    else if (role == "left out")
      line += " (no value repeats)";
    out += line + "\n";
    if (facts.majority >= 0 && role == "spread") {
      out += "#     \"" + Shown(facts.values[static_cast<size_t>(facts.majority)]) +
             "\" is held by " + std::to_string(facts.holders[static_cast<size_t>(facts.majority)]) +
             " of " + std::to_string(n) + " persons, more than half (see [spread])\n";
    }
  }

  out += "\n[spread]                    # persons who share a value here go to different groups\n";
  if (s.weight < kSuggestedWeight) {
    out += "# Weight " + std::to_string(s.weight) + ", not " + std::to_string(kSuggestedWeight) +
           ": the weights of all these columns must add up to at most 32767 for\n# two persons, "
           "with room to spare for [rules].\n";
  }
  for (int column : s.spread) {
    const ColumnFacts facts = FactsOf(roster, static_cast<size_t>(column));
    if (facts.majority >= 0) {
      const std::string label = Shown(facts.values[static_cast<size_t>(facts.majority)]);
      out += "# " + key(column) + ": \"" + label;
      out +=
          "\" is held by more than half of the persons.\n"
          "# As written, it is turned around: its holders count as having no value and all\n"
          "# other persons as sharing one, so those others are spread. To leave \"";
      out += label + "\" out\n# instead, write the line as  " + key(column);
      out += " = { weight = " + std::to_string(s.weight) + ", majority = \"ignore\" }\n";
    }
    out += key(column) + " = " + std::to_string(s.weight) + "\n";
  }
  out += "\n[pack]                      # persons who share a value here go to the same group\n";
  out += "# \"COLUMN\" = 50             (a column with a majority value packs everyone else\n";
  out += "#                             together unless it says majority = \"ignore\")\n";

  if (!s.averages.empty()) {
    out += "\n# [average]                 # numbers whose group means should match\n";
    for (const int column : s.averages) out += "# " + key(column) + " = 100\n";
  }

  out += "\n[rules]                     # pairs or small sets of persons, by name\n";
  if (s.together_column >= 0) {
    out += Padded("together_column = " + key(s.together_column), 28) +
           "# its cells name persons (several: \"A; B\") to keep with the row's person\n";
  }
  if (s.apart_column >= 0) {
    out += Padded("apart_column = " + key(s.apart_column), 28) +
           "# its cells name persons to keep apart from the row's person (its header says so)\n";
  }
  if (s.name_column >= 0 && n >= 4) {
    const auto name = [&](int row) {
      return TomlQuote(roster.cells[static_cast<size_t>(row)][static_cast<size_t>(s.name_column)]);
    };
    out += "# apart = [[" + name(0) + ", " + name(1) + "]]      # never in one group\n";
    out += "# together = [[" + name(2) + ", " + name(3) + "]]   # always in one group\n";
  } else {
    out += "# apart = [[\"NAME\", \"NAME\"]]      # never in one group\n";
    out += "# together = [[\"NAME\", \"NAME\"]]   # always in one group\n";
  }
  out += "\n# [plan]                    # the search plan; without it: at most 99980 cycles, 60s\n";
  out += "# runs = 4999\n# stages = 4\n# focus = 3\n# spread = 2\n";
  return out;
}

Status CreateNewFile(const std::string& path, const std::string& text) {
  // Written in full under a temporary name, then linked to its name: link never replaces a
  // file, and nobody sees a half-written one.
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Status::Error("cannot create " + path + ": " + std::strerror(errno) + ".");
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = ::fchmod(fd, static_cast<mode_t>(0666 & ~mask)) == 0;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    ok = written > 0;
    if (ok) done += static_cast<size_t>(written);
  }
  ok = ok && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::link(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  ::unlink(temporary.c_str());
  if (ok) return Status::Ok();
  if (error == EEXIST) {
    return Status::Error(path + " already exists; it was left as it is (remove it, or edit it).");
  }
  return Status::Error("cannot write " + path + ": " + std::strerror(error) + ".");
}

}  // namespace quorvale
