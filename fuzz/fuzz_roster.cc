// Fuzz target: the roster reader on any bytes, and the groups file and init's mix file for
// every roster it accepts. Invariants: every accepted row has the header's cell count; the groups
// file reads back as the same rows, with the same cells plus a Group column; init's mix file reads
// back and builds.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/roster_mode.h"
#include "fuzz/fuzz_check.h"
#include "report/groups_file.h"
#include "roster/init_mix.h"
#include "roster/mix_builder.h"
#include "roster/mix_file.h"
#include "roster/roster_csv.h"

using namespace quorvale;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Roster roster;
  if (!ParseRoster(text, "r.csv", std::nullopt, roster).ok()) return 0;
  for (const auto& row : roster.cells) FUZZ_CHECK(row.size() == roster.header.size());

  const GroupsTable table = GroupsTableOf(roster, MixPlan{});
  std::vector<int32_t> groups(static_cast<size_t>(roster.PersonCount()) + 1, 7);
  Roster back;
  const Status reread =
      ParseRoster(FormatGroupsFile(table, groups), "g.csv", roster.delimiter, back);
  FUZZ_CHECK(reread.ok(), reread.message());
  FUZZ_CHECK(back.PersonCount() == roster.PersonCount());
  FUZZ_CHECK(back.raw_rows.size() == roster.raw_rows.size());  // every row keeps its place
  for (size_t p = 0; p < back.cells.size(); ++p) {
    std::vector<std::string> cells = back.cells[p];
    FUZZ_CHECK(!cells.empty() && cells.back() == "7");
    cells.pop_back();
    FUZZ_CHECK(cells == roster.cells[p]);
  }

  if (roster.PersonCount() < 2 || roster.header.size() > 40) return 0;
  MixFile mix;
  const std::string mix_text = FormatInitMix(roster, "r.csv");
  const Status read = ReadMixFile(mix_text, "r.toml", mix);
  FUZZ_CHECK(read.ok(), read.message() + "\n" + mix_text);
  MixPlan plan;
  Model model;
  const Status built = BuildMix(mix, roster, "r.toml", "r.csv", plan, model);
  FUZZ_CHECK(built.ok(), built.message() + "\n" + mix_text);
  return 0;
}
