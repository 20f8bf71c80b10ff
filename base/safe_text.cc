// Escaping for terminals and shells.
#include "base/safe_text.h"

#include "base/format.h"

namespace quorvale {

std::string Printable(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                    static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F) {
      shown += StringPrintf("\\x%02X", c);
    } else if (c1) {
      shown += StringPrintf("\\u%04X", static_cast<unsigned char>(text[++i]));
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

std::string ShellQuote(std::string_view word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ShellWord(std::string_view word) {
  const bool plain = !word.empty() && word.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789_@%+=:,./-") == std::string_view::npos;
  return plain ? std::string(word) : ShellQuote(word);
}

}  // namespace quorvale
