// printf-style formatting into a std::string: every screen and file text of the program is
// defined by a printf format, and this keeps the output identical to it.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace quorvale {

__attribute__((format(printf, 1, 2))) inline std::string StringPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
  }
  va_end(args);
  return text;
}

}  // namespace quorvale
