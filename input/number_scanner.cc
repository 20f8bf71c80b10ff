// Tokenizing and number conversion for the input readers. Runs once per value of a data file
// of many thousand rows, so it works on the text in place and allocates nothing.
#include "input/number_scanner.h"

#include "base/format.h"

namespace quorvale {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kQuotedLength = 20;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Classifies a token and converts it. The magnitude is accumulated only up to just past the
// 32-bit limit, so any number of leading zeros or digits is safe.
void Convert(ScannedValue& value) {
  const std::string_view text = value.text;
  size_t i = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '+' || text[0] == '-') i = 1;
  if (i == text.size()) {
    value.kind = ScannedValue::Kind::kNotNumber;
    return;
  }
  constexpr uint64_t kPastLimit = uint64_t{1} << 31;  // magnitude of INT32_MIN
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') {
      value.kind = ScannedValue::Kind::kNotNumber;
      return;
    }
    if (magnitude <= kPastLimit) magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
  }
  if (magnitude > (negative ? kPastLimit : kPastLimit - 1)) {
    value.kind = ScannedValue::Kind::kOutOfRange;
    return;
  }
  const auto signed_magnitude = static_cast<int64_t>(magnitude);
  value.kind = ScannedValue::Kind::kNumber;
  value.number = static_cast<int32_t>(negative ? -signed_magnitude : signed_magnitude);
}

}  // namespace

NumberScanner::NumberScanner(std::string_view text) : text_(text) {
  if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark) offset_ = kByteOrderMark.size();
}

bool NumberScanner::Next(ScannedValue& value) {
  // Skip white space, counting line ends.
  const size_t size = text_.size();
  while (offset_ < size && IsSpace(text_[offset_])) {
    const char c = text_[offset_++];
    if (c == '\n' || (c == '\r' && (offset_ == size || text_[offset_] != '\n'))) {
      ++line_;
      position_ = 0;
    }
  }
  if (offset_ == size) return false;

  // Take the token up to the next white space or the end.
  const size_t start = offset_;
  while (offset_ < size && !IsSpace(text_[offset_])) ++offset_;
  value.text = text_.substr(start, offset_ - start);
  value.line = line_;
  value.position = ++position_;
  ++values_read_;
  Convert(value);
  return true;
}

std::string QuoteToken(std::string_view text) {
  std::string quoted = "\"";
  const std::string_view shown = text.substr(0, kQuotedLength);
  for (const char c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      quoted += "\\\\";
    } else if (byte < 0x20 || byte >= 0x7F) {
      quoted += StringPrintf("\\x%02X", byte);
    } else {
      quoted += c;
    }
  }
  if (shown.size() < text.size()) quoted += "...";
  quoted += '"';
  return quoted;
}

std::string DescribeBadNumber(const ScannedValue& value) {
  if (value.kind == ScannedValue::Kind::kOutOfRange) {
    return "found " + QuoteToken(value.text) +
           " where a whole number from -2147483648 to 2147483647 was expected";
  }
  return "found " + QuoteToken(value.text) + " where a whole number was expected";
}

}  // namespace quorvale
