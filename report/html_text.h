// Small pieces of HTML text: escaping and table cells.
#pragma once

#include <string>
#include <string_view>

namespace quorvale {

// `text` with &, <, >, " and ' escaped for element content and attribute values.
std::string EscapeHtml(std::string_view text);

// "<td class=...>text</td>" with `text` escaped; no class attribute when `cls` is empty.
std::string Cell(std::string_view text, std::string_view cls = {}, std::string_view tag = "td");

}  // namespace quorvale
