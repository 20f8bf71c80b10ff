// The reading loop shared by the parameter and data readers: splits the text of an input file
// into white-space-separated tokens and reads each as a signed 32-bit whole number, remembering
// where it stood so that a message can point at it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvale {

struct ScannedValue {
  enum class Kind {
    kNumber,      // matches [+-]?[0-9]+ and fits in 32 bits; `number` holds it
    kNotNumber,   // any other token, such as "2.5", "x" or "--3"
    kOutOfRange,  // digits that lie outside -2147483648..2147483647
  };
  Kind kind = Kind::kNotNumber;
  int32_t number = 0;
  std::string_view text;  // the whole token, a view into the scanned text
  size_t line = 0;        // 1-based line of the file
  size_t position = 0;    // 1-based place of the token among the tokens of its line
};

// Reads tokens one at a time, never looking past the end of the token it returns, so whatever
// follows the last token a reader asks for is left unexamined.
//
// White space is space, tab, line feed, vertical tab, form feed and carriage return. A line ends
// at a line feed, at a carriage return and line feed pair, or at a lone carriage return. A UTF-8
// byte-order mark at the very start of the text is skipped.
class NumberScanner {
 public:
  // `text` must outlive the scanner and every ScannedValue it returns.
  explicit NumberScanner(std::string_view text);

  // Fills `value` with the next token and returns true; returns false when only white space
  // is left.
  bool Next(ScannedValue& value);

  // Tokens returned so far.
  size_t values_read() const { return values_read_; }

 private:
  std::string_view text_;
  size_t offset_ = 0;
  size_t line_ = 1;
  size_t position_ = 0;  // tokens returned on the current line
  size_t values_read_ = 0;
};

// The found text for a message: in double quotes, cut to its first 20 bytes followed by "...",
// with bytes outside printable ASCII shown as \xNN and a backslash shown as \\.
std::string QuoteToken(std::string_view text);

// Why `value` (not of kind kNumber) is not accepted, for the end of a message, as in
// `found "2.5" where a whole number was expected`.
std::string DescribeBadNumber(const ScannedValue& value);

}  // namespace quorvale
