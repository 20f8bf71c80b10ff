// Rendering the in-memory screen onto an xterm-compatible terminal.
//
// The terminal's cursor position and colour are tracked while the output is built, so that a
// cursor move is sent only where the next changed cell is not where the terminal would put it
// anyway, and a colour only where it differs from the last one sent. Any doubt (after the last
// column, after a character of uncertain width, after Restore) makes the state unknown, which
// costs one extra escape sequence and never a misplaced cell.
#include "console/terminal.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace quorvale {

namespace {

constexpr std::string_view kReset = "\x1b[0m";
constexpr std::string_view kHideCursor = "\x1b[?25l";
constexpr std::string_view kShowCursor = "\x1b[?25h";
constexpr std::string_view kClear = "\x1b[H\x1b[2J";
// Reset, show cursor, then the start of the line below the 25 rows, where the shell prompt goes.
constexpr std::string_view kHandBack = "\x1b[0m\x1b[?25h\x1b[25;1H\r\n";
// The same with a leading CAN, which aborts any escape sequence that a signal cut in half.
constexpr char kEmergencyHandBack[] = "\x18\x1b[0m\x1b[?25h\x1b[25;1H\r\n";

// Attribute bits are blue = 1, green = 2, red = 4; ANSI numbers them red = 1, green = 2, blue = 4.
int AnsiColour(int nibble) { return ((nibble & 1) << 2) | (nibble & 2) | ((nibble & 4) >> 2); }

void AppendNumber(int value, std::string& out) { out += std::to_string(value); }

// Characters whose terminal width is surely one cell: Latin, the box-drawing and block
// characters, and the replacement character. After any other the cursor position is unknown.
bool IsSurelyNarrow(char32_t c) {
  return c < 0x0300 || (c >= 0x2500 && c <= 0x259F) || c == 0xFFFD;
}

// Removes C0 and C1 control characters, which could end the title sequence early or start
// another one.
std::string StripControls(std::string_view text) {
  std::string clean;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) continue;
    if (byte == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        ++i;
        continue;
      }
    }
    clean.push_back(text[i]);
  }
  return clean;
}

// Writes all of `size` bytes, retrying after interruptions and partial writes. Gives up silently
// on a hard error (the terminal has gone away) or on a terminal that stays unwritable for a
// second. Async-signal-safe.
void WriteFully(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 1000) > 0 || errno == EINTR) continue;
    }
    return;
  }
}

}  // namespace

TerminalConsole::TerminalConsole(int fd) : fd_(fd) {}

TerminalConsole::~TerminalConsole() { Restore(); }

void TerminalConsole::SetWindowSize(int columns, int rows) {
  Touch();
  model_.SetWindowSize(columns, rows);
  if (columns > 0 && rows > 0) window_size_pending_ = std::pair{columns, rows};
}

void TerminalConsole::SetCursor(int column, int row) {
  Touch();
  model_.SetCursor(column, row);
}

void TerminalConsole::SetAttribute(uint8_t attribute) {
  Touch();
  model_.SetAttribute(attribute);
}

void TerminalConsole::SetCursorVisible(bool visible) {
  Touch();
  model_.SetCursorVisible(visible);
}

void TerminalConsole::SetTitle(std::string_view title) {
  Touch();
  model_.SetTitle(title);
  title_pending_ = true;
}

void TerminalConsole::Write(std::string_view text) {
  Touch();
  model_.Write(text);
}

void TerminalConsole::AppendCursorMove(int column, int row) {
  out_ += "\x1b[";
  AppendNumber(row + 1, out_);
  out_ += ';';
  AppendNumber(column + 1, out_);
  out_ += 'H';
  terminal_column_ = column;
  terminal_row_ = row;
}

void TerminalConsole::AppendAttribute(uint8_t attribute) {
  const int foreground = attribute & 0x0F;
  const int background = attribute >> 4;
  // The first colour starts from a reset so that bold or underline left by the shell is cleared.
  out_ += sent_attribute_ < 0 ? "\x1b[0;" : "\x1b[";
  AppendNumber(((foreground & 8) != 0 ? 90 : 30) + AnsiColour(foreground), out_);
  out_ += ';';
  AppendNumber(((background & 8) != 0 ? 100 : 40) + AnsiColour(background), out_);
  out_ += 'm';
  sent_attribute_ = attribute;
}

void TerminalConsole::AppendCell(char32_t c, int column) {
  // Control characters in a cell would be obeyed by the terminal, not shown.
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) c = U'?';
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = U'\uFFFD';
  AppendUtf8(c, out_);
  // At the last column the terminal either defers the wrap or, if wider, moves on: both unknown.
  if (column + 1 < kScreenColumns && IsSurelyNarrow(c)) {
    terminal_column_ = column + 1;
  } else {
    terminal_column_ = -1;
  }
}

void TerminalConsole::Flush() {
  out_.clear();
  if (window_size_pending_) {
    out_ += "\x1b[8;";
    AppendNumber(window_size_pending_->second, out_);
    out_ += ';';
    AppendNumber(window_size_pending_->first, out_);
    out_ += 't';
    window_size_pending_.reset();
  }
  if (title_pending_) {
    std::string title = StripControls(model_.title());
    if (sent_title_ != title) {
      out_ += "\x1b]0;";
      out_ += title;
      out_ += '\a';
      sent_title_ = std::move(title);
    }
    title_pending_ = false;
  }
  // Hide before painting so that the cursor does not race across the screen.
  if (!model_.cursor_visible() && sent_cursor_visible_ != false) {
    out_ += kHideCursor;
    sent_cursor_visible_ = false;
  }
  if (!painted_) {
    out_ += kReset;
    out_ += kClear;
    sent_attribute_ = -1;
    terminal_column_ = 0;
    terminal_row_ = 0;
  }

  for (int row = 0; row < kScreenRows; ++row) {
    for (int column = 0; column < kScreenColumns; ++column) {
      const size_t index = static_cast<size_t>(row) * kScreenColumns + static_cast<size_t>(column);
      const Cell& cell = model_.At(column, row);
      if (painted_ && cell == shown_[index]) continue;
      if (terminal_row_ != row || terminal_column_ != column) AppendCursorMove(column, row);
      if (cell.attribute != sent_attribute_) AppendAttribute(cell.attribute);
      AppendCell(cell.character, column);
      shown_[index] = cell;
    }
  }
  painted_ = true;

  if (model_.cursor_visible()) {
    if (terminal_row_ != model_.cursor_row() || terminal_column_ != model_.cursor_column()) {
      AppendCursorMove(model_.cursor_column(), model_.cursor_row());
    }
    if (sent_cursor_visible_ != true) {
      out_ += kShowCursor;
      sent_cursor_visible_ = true;
    }
  }

  if (!out_.empty()) {
    WriteOut();
    restored_ = false;
  }
}

void TerminalConsole::WriteOut() { WriteFully(fd_, out_.data(), out_.size()); }

void TerminalConsole::Restore() {
  if (restored_) return;
  restored_ = true;
  if (!touched_ && !painted_) return;
  Flush();
  out_.assign(kHandBack);
  WriteOut();
  restored_ = true;
  // The shell owns the terminal now; a later flush must not trust what we last sent.
  sent_attribute_ = -1;
  sent_cursor_visible_ = true;
  terminal_column_ = -1;
  terminal_row_ = -1;
}

void TerminalConsole::EmergencyRestore() {
  WriteFully(STDOUT_FILENO, kEmergencyHandBack, sizeof kEmergencyHandBack - 1);
}

}  // namespace quorvale
