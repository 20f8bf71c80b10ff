// Turning the fixed screen into lines that fit any width.
#include "console/compact_view.h"

#include <algorithm>

#include "base/format.h"

namespace quorvale {

namespace {

bool IsBoxDrawing(char32_t c) { return c >= 0x2500 && c <= 0x257F; }

// Characters of a UTF-8 text, counting every byte that does not continue a sequence.
size_t Characters(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The byte offset where the character after the first `count` characters begins.
size_t ByteOffset(const std::string& text, size_t count) {
  size_t offset = 0;
  for (size_t seen = 0; offset < text.size(); ++offset) {
    if ((static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80 && seen++ == count) break;
  }
  return offset;
}

}  // namespace

std::string StatusLine(const PanelValues& values, int64_t elapsed_ms) {
  const int64_t best = std::min(values.best, values.current);
  const int64_t seconds = elapsed_ms / 1000;
  return StringPrintf("Best %.2f  Current %.2f  Target %.2f  Cycle %d of %d  %lld:%02lld",
                      static_cast<double>(best) / 100.0,
                      static_cast<double>(values.current) / 100.0,
                      static_cast<double>(values.target), values.cycle, values.total,
                      static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
}

std::string KeyText(const Screen& screen, int row) {
  std::string text;
  int spaces = 0;
  for (int column = 0; column < kScreenColumns; ++column) {
    char32_t c = screen.At(column, row).character;
    // Control characters in a cell would be obeyed by the terminal, not shown.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = U'?';
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = U'\uFFFD';
    if (IsBoxDrawing(c)) continue;
    if (c == U' ') {
      ++spaces;
      continue;
    }
    if (!text.empty()) text.append(static_cast<size_t>(std::min(spaces, 2)), ' ');
    spaces = 0;
    AppendUtf8(c, text);
  }
  return text;
}

std::vector<std::string> WrapLine(const std::string& text, size_t width) {
  std::vector<std::string> lines;
  std::string rest = text;
  width = std::max<size_t>(width, 1);
  while (!rest.empty()) {
    if (Characters(rest) <= width) {
      lines.push_back(rest);
      break;
    }
    const size_t limit = ByteOffset(rest, width);
    size_t cut = rest.rfind(' ', limit);
    if (cut == std::string::npos || cut == 0) cut = limit;
    const size_t end = rest.find_last_not_of(' ', cut - 1);
    lines.push_back(rest.substr(0, end == std::string::npos ? cut : end + 1));
    const size_t next = rest.find_first_not_of(' ', cut);
    rest = next == std::string::npos ? std::string() : rest.substr(next);
  }
  return lines;
}

std::vector<std::string> KeyTexts(const Screen& screen) {
  std::vector<std::string> texts;
  texts.reserve(kScreenRows);
  for (int row = 0; row < kScreenRows; ++row) texts.push_back(KeyText(screen, row));
  for (int row = 0; row + 1 < kScreenRows; ++row) {
    const auto index = static_cast<size_t>(row);
    if (texts[index].empty() || screen.At(kScreenColumns - 1, row).character == U' ' ||
        screen.At(0, row + 1).character == U' ') {
      continue;
    }
    std::string& next = texts[index + 1];
    const size_t end = std::min(next.find(' '), next.size());
    texts[index] += next.substr(0, end);
    const size_t rest = next.find_first_not_of(' ', end);
    next = rest == std::string::npos ? std::string() : next.substr(rest);
  }
  return texts;
}

std::vector<std::string> KeyLines(const Screen& screen, size_t width) {
  std::vector<std::string> lines;
  for (const std::string& text : KeyTexts(screen)) {
    for (std::string& line : WrapLine(text, width)) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace quorvale
