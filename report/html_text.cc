#include "report/html_text.h"

namespace quorvale {

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Cell(std::string_view text, std::string_view cls, std::string_view tag) {
  std::string out = "<" + std::string(tag);
  if (!cls.empty()) out += " class=\"" + std::string(cls) + "\"";
  out += ">" + EscapeHtml(text) + "</" + std::string(tag) + ">";
  return out;
}

}  // namespace quorvale
