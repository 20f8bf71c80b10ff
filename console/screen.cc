// In-memory console: cells, cursor, wrapping and scrolling.
#include "console/screen.h"

#include <algorithm>

namespace quorvale {

namespace {

// Length of a UTF-8 sequence from its first byte; 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

char32_t Decode(std::string_view bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (bytes.size() == 1) return lead;
  char32_t value = lead & (0x7Fu >> bytes.size());
  for (size_t i = 1; i < bytes.size(); ++i) {
    const auto next = static_cast<unsigned char>(bytes[i]);
    if ((next & 0xC0) != 0x80) return U'\uFFFD';
    value = (value << 6) | (next & 0x3Fu);
  }
  return value;
}

}  // namespace

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

Screen::Screen() = default;

void Screen::SetWindowSize(int, int) {
  // The in-memory screen always has the program's fixed size.
}

void Screen::SetCursor(int column, int row) {
  column_ = std::clamp(column, 0, kScreenColumns - 1);
  row_ = std::clamp(row, 0, kScreenRows - 1);
}

void Screen::SetAttribute(uint8_t attribute) { attribute_ = attribute; }

void Screen::Write(std::string_view text) {
  for (char byte : text) {
    if (!pending_.empty()) {
      pending_.push_back(byte);
      const int need = SequenceLength(static_cast<unsigned char>(pending_[0]));
      if (static_cast<int>(pending_.size()) == need) {
        Put(Decode(pending_));
        pending_.clear();
      }
      continue;
    }
    const int need = SequenceLength(static_cast<unsigned char>(byte));
    if (need == 1) {
      Put(static_cast<unsigned char>(byte));
    } else if (need == 0) {
      Put(U'\uFFFD');
    } else {
      pending_.push_back(byte);
    }
  }
}

void Screen::Put(char32_t character) {
  switch (character) {
    case U'\n':
      column_ = 0;
      LineFeed();
      return;
    case U'\r':
      column_ = 0;
      return;
    case U'\t':
      do {
        Put(U' ');
      } while (column_ % 8 != 0);
      return;
    default:
      break;
  }
  cells_[Index(column_, row_)] = Cell{character, attribute_};
  if (++column_ == kScreenColumns) {
    column_ = 0;
    LineFeed();
  }
}

void Screen::LineFeed() {
  if (row_ + 1 < kScreenRows) {
    ++row_;
    return;
  }
  // A console scrolls when a line feed leaves its last row; the new row takes the current colour.
  std::copy(cells_.begin() + kScreenColumns, cells_.end(), cells_.begin());
  std::fill(cells_.end() - kScreenColumns, cells_.end(), Cell{U' ', attribute_});
  ++scroll_count_;
}

std::string Screen::RowText(int row) const { return TextAt(0, row, kScreenColumns); }

std::string Screen::TextAt(int column, int row, int length) const {
  std::string text;
  for (int c = column; c < column + length && c < kScreenColumns; ++c) {
    AppendUtf8(At(c, row).character, text);
  }
  return text;
}

std::string Screen::PlainText() const {
  std::string text;
  for (int row = 0; row < kScreenRows; ++row) {
    std::string line = RowText(row);
    line.erase(line.find_last_not_of(' ') + 1);
    text += line;
    text += '\n';
  }
  return text;
}

}  // namespace quorvale
