// The wishes of a mix that are read from roster columns beside the weighted ones: the balance
// column's values as person types, the pinned persons, and the columns of [buddy] and [average].
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "model/wishes.h"
#include "roster/mix_file.h"
#include "roster/mix_plan.h"
#include "roster/roster_csv.h"

namespace quorvale {

struct WishContext {
  const MixFile& mix;
  const Roster& roster;
  const std::string& mix_name;
  const std::string& roster_name;
};

// The column `name` of the roster, or a refusal naming the key and the closest headers.
Status FindRosterColumn(const WishContext& context, const std::string& name, int line,
                        const std::string& key, int& index);

// Each person's type 1..k, the balance column's values in first appearance (an empty cell a value
// of its own); everyone type 1 without a balance column.
Status ReadBalance(const WishContext& context, std::vector<int32_t>& types,
                   std::optional<MixBalance>& balance);

// Each person's pinned group (1..G, or 0), from the pin column's cells: a group's name or
// number. `groups` groups, named by `group_names` when it is not empty.
Status ReadPins(const WishContext& context, int32_t groups,
                const std::vector<std::string>& group_names, std::vector<int32_t>& pins);

// The columns of [buddy] and of [average], for the plan and for the model.
Status ReadBuddies(const WishContext& context, std::vector<MixBuddy>& shown,
                   std::vector<BuddyWish>& wishes);
Status ReadAverages(const WishContext& context, std::vector<MixAverage>& shown,
                    std::vector<AverageWish>& wishes);

// A number as a spreadsheet writes it: an optional sign, digits, and a decimal point or comma
// with up to six more digits. `value` holds it in units of 10^-decimals.
bool ParseDecimal(std::string_view text, int64_t& value, int32_t& decimals);

}  // namespace quorvale
