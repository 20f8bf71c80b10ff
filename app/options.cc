// Command-line parsing with getopt_long.
#include "app/options.h"

#include <getopt.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/duration.h"
#include "base/safe_text.h"
#include "model/model.h"

namespace quorvale {

namespace {

// The bytes of a file's first line that tell a roster from a mix file.
constexpr size_t kFirstLineBytes = 4096;

// More chains than this would only share the cores.
constexpr uint32_t kMaxThreads = 256;

// A whole number from 0 to 4294967295, digits only.
bool ParseSeed(const char* text, uint32_t& seed) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > UINT32_MAX) return false;
  seed = static_cast<uint32_t>(value);
  return true;
}

// A roster or mix is found beside its own files; --folder is folder mode's, and --rounds a mix's.
Status FolderRefused(const Options& options) {
  if (options.folder && (options.init_roster || options.mix_file)) {
    return Status::Error("--folder is for parameters.txt and data.txt, not for a roster or mix");
  }
  if (options.rounds && !options.mix_file) {
    return Status::Error("--rounds is for a mix file: quorvalemixer MIX.toml --rounds R");
  }
  return Status::Ok();
}

// A check scores the grouping it is given: the options that steer a search have nothing to do.
Status SearchOptionRefused(const Options& options) {
  const char* given = options.seed               ? "--seed"
                      : options.time_limit_ms    ? "--time-limit"
                      : options.last_cycle       ? "--last-cycle"
                      : options.stop_when_proven ? "--stop-when-proven"
                      : options.search_given     ? "--search"
                      : options.threads > 0      ? "--threads"
                                                 : nullptr;
  if (given == nullptr) return Status::Ok();
  return Status::Error(std::string("check scores a grouping as it stands, without a search: ") +
                       given + " is for a run");
}

}  // namespace

Status ParseOptions(int argc, char** argv, Options& options) {
  static const option kLongOptions[] = {{"folder", required_argument, nullptr, 'f'},
                                        {"seed", required_argument, nullptr, 's'},
                                        {"no-pause", no_argument, nullptr, 'n'},
                                        {"help", no_argument, nullptr, 'h'},
                                        {"version", no_argument, nullptr, 'V'},
                                        {"time-limit", required_argument, nullptr, 't'},
                                        {"last-cycle", required_argument, nullptr, 'l'},
                                        {"stop-when-proven", no_argument, nullptr, 'p'},
                                        {"search", required_argument, nullptr, 'S'},
                                        {"threads", required_argument, nullptr, 'T'},
                                        {"rounds", required_argument, nullptr, 'R'},
                                        {nullptr, 0, nullptr, 0}};
  options = Options{};
  opterr = 0;
  optind = 0;  // 0 also resets getopt's internal state, so repeated calls start afresh
  for (;;) {
    const int code = getopt_long(argc, argv, ":", kLongOptions, nullptr);
    if (code == -1) break;
    // getopt has stepped past the word it just looked at.
    const std::string given = optind >= 1 && optind <= argc ? argv[optind - 1] : "";
    switch (code) {
      case 'f':
        if (*optarg == '\0') return Status::Error("--folder needs a folder name");
        options.folder = optarg;
        break;
      case 's': {
        uint32_t seed = 0;
        if (!ParseSeed(optarg, seed)) {
          return Status::Error(
              std::string("--seed needs a whole number from 0 to 4294967295, not '") + optarg +
              "'");
        }
        options.seed = seed;
        break;
      }
      case 'n':
        options.no_pause = true;
        break;
      case 't': {
        int64_t limit = 0;
        if (Status status = ParseDuration(optarg, limit); !status.ok()) {
          return Status::Error("--time-limit: " + status.message());
        }
        options.time_limit_ms = limit;
        break;
      }
      case 'l': {
        uint32_t cycle = 0;
        if (!ParseSeed(optarg, cycle) || cycle == 0 || cycle > 2147483647u) {
          return Status::Error(std::string("--last-cycle needs a whole number from 1 to "
                                           "2147483647, not '") +
                               optarg + "'");
        }
        options.last_cycle = static_cast<int32_t>(cycle);
        break;
      }
      case 'p':
        options.stop_when_proven = true;
        break;
      case 'S':
        options.search_given = true;
        if (std::string_view(optarg) == "classic") {
          options.search = SearchStrategy::kClassic;
        } else if (std::string_view(optarg) == "deep") {
          options.search = SearchStrategy::kDeep;
        } else {
          return Status::Error(std::string("--search needs classic or deep, not '") + optarg + "'");
        }
        break;
      case 'T': {
        uint32_t threads = 0;
        if (!ParseSeed(optarg, threads) || threads < 1 || threads > kMaxThreads) {
          return Status::Error(std::string("--threads needs a whole number from 1 to ") +
                               std::to_string(kMaxThreads) + ", not '" + optarg + "'");
        }
        options.threads = static_cast<int>(threads);
        break;
      }
      case 'R': {
        uint32_t rounds = 0;
        if (!ParseSeed(optarg, rounds) || rounds < 1 || rounds > kMaxRounds) {
          return Status::Error(std::string("--rounds needs a whole number from 1 to ") +
                               std::to_string(kMaxRounds) + ", not '" + optarg + "'");
        }
        options.rounds = static_cast<int32_t>(rounds);
        break;
      }
      case 'h':
        options.help = true;
        break;
      case 'V':
        options.version = true;
        break;
      case ':':
        return Status::Error("option '" + given + "' needs a value");
      default:
        return Status::Error("unknown option '" + given + "'");
    }
  }
  // Words after the options: `init ROSTER.csv`, `check MIX.toml [GROUPS.csv]` or `MIX.toml`.
  std::vector<std::string_view> words(argv + optind, argv + argc);
  if (!words.empty() && words[0] == "init") {
    if (words.size() != 2) return Status::Error("init needs one roster file: init ROSTER.csv");
    options.init_roster = std::string(words[1]);
    return FolderRefused(options);
  }
  options.check = !words.empty() && words[0] == "check";
  if (options.check) {
    words.erase(words.begin());
    if (words.empty() || words.size() > 2) {
      return Status::Error(
          "check needs a mix file, and may name a groups file: check MIX.toml "
          "[GROUPS.csv]");
    }
    if (words.size() == 2) options.check_groups = std::string(words[1]);
    words.resize(1);
    if (Status s = SearchOptionRefused(options); !s.ok()) return s;
  }
  if (!words.empty()) {
    const std::string word(words[0]);
    if (LooksLikeRoster(word)) {
      options.roster_as_mix = true;
      return Status::Error(word +
                           " is a roster, not a mix file; to group a roster, first run: "
                           "quorvalemixer init " +
                           ShellWord(word));
    }
    if (!word.ends_with(".toml") || word.size() <= 5) {
      return Status::Error("unexpected argument '" + word + "'");
    }
    options.mix_file = word;
    if (words.size() > 1) {
      return Status::Error("unexpected argument '" + std::string(words[1]) + "'");
    }
  }
  return FolderRefused(options);
}

bool LooksLikeRoster(const std::string& path) {
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.ends_with(".csv")) return true;
  // Only a regular file is looked into: a pipe or a device would keep the program waiting.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  std::string line(kFirstLineBytes, '\0');
  file.read(line.data(), static_cast<std::streamsize>(line.size()));
  line.resize(static_cast<size_t>(file.gcount()));
  line = line.substr(0, line.find_first_of("\r\n"));
  if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  if (line.starts_with("#") || line.starts_with("[")) return false;
  bool quoted = false, separated = false;
  for (const char c : line) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '=') return false;
    separated |= c == ',' || c == ';' || c == '\t';
  }
  return separated;
}

std::string UsageText() {
  return "Usage: quorvalemixer [--folder DIR] [--seed N] [--time-limit DURATION] [--no-pause]\n"
         "                     [--last-cycle N] [--stop-when-proven] [--search classic|deep]\n"
         "                     [--threads N] [--rounds R]\n"
         "       quorvalemixer init ROSTER.csv\n"
         "       quorvalemixer MIX.toml [the same options, but --folder]\n"
         "       quorvalemixer check MIX.toml [GROUPS.csv]\n"
         "       quorvalemixer --help | --version\n"
         "\n"
         "init reads a roster (a CSV file with a header row, one row per person) and writes a\n"
         "first mix file ROSTER.toml beside it; MIX.toml runs a mix and writes MIX.groups.csv,\n"
         "the roster with a Group column, beside it; check scores the grouping of that file\n"
         "(or GROUPS.csv) as it stands, perhaps edited by hand, and writes MIX.report.html.\n"
         "\n"
         "Divides the persons of data.txt into groups as parameters.txt asks and saves the best\n"
         "grouping found to results.txt. Without --folder, parameters.txt is looked for "
         "in " QM_DEFAULT_FOLDER
         "\n"
         "and then in the current folder; when neither has one, set-up mode writes "
         "Where-am-I.txt.\n"
         "\n"
         "  --folder DIR   read and write the files in DIR (no lookup, no set-up mode)\n"
         "  --seed N       seed the search with N (0..4294967295) instead of the time of day,\n"
         "                 so that a run can be repeated exactly\n"
         "  --time-limit D end the search after D (90s, 5m, 1h30m), as if its plan were spent\n"
         "  --last-cycle N end the search after cycle N, as if its plan ended there: with the\n"
         "                 same seed it repeats exactly a run that the time limit cut short\n"
         "  --no-pause     end without the closing countdown or key wait\n"
         "  --stop-when-proven\n"
         "                 end the search as soon as its best grouping is proven the best\n"
         "                 possible, even short of the Target Score\n"
         "  --search S     classic: the scrambler cycles (the default); deep: a deeper search\n"
         "                 for large classes, whose cycles are its perturbation rounds\n"
         "  --threads N    chains of the deep search, one a thread, the best of them kept\n"
         "                 (default: the cores available); with 1 a run is fixed by its seed\n"
         "  --rounds R     a mix grouped R times, in new groups each round (1..127)\n"
         "  --help         show this text\n"
         "  --version      show the version\n"
         "\n"
         "Exit codes: 0 done (or set-up mode), 1 the input or results file failed,\n"
         "2 bad command line, 128 + N stopped by signal N (results saved first).\n";
}

}  // namespace quorvale
