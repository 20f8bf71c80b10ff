// Rendering the in-memory screen onto an xterm-compatible terminal.
//
// The terminal's cursor position and colour are tracked while the output is built, so that a
// cursor move is sent only where the next changed cell is not where the terminal would put it
// anyway, and a colour only where it differs from the last one sent. Any doubt (after the last
// column, after a character of uncertain width, after Restore) makes the state unknown, which
// costs one extra escape sequence and never a misplaced cell.
//
// The compact form for a small terminal is drawn line by line: only the lines that changed are
// rewritten, each from its first column and erased to its end, and no line reaches the last
// column, so no terminal wraps or scrolls.
#include "console/terminal.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "console/compact_view.h"

namespace quorvale {

namespace {

constexpr std::string_view kReset = "\x1b[0m";
constexpr std::string_view kHideCursor = "\x1b[?25l";
constexpr std::string_view kShowCursor = "\x1b[?25h";
constexpr std::string_view kClear = "\x1b[H\x1b[2J";
constexpr std::string_view kEraseLine = "\x1b[K";
// Reset, show cursor, then the start of the line below the 25 rows, where the shell prompt goes.
constexpr std::string_view kHandBack = "\x1b[0m\x1b[?25h\x1b[25;1H\r\n";
constexpr std::string_view kHandBackNoColour = "\x1b[?25h\x1b[25;1H\r\n";
// The same with a leading CAN, which aborts any escape sequence that a signal cut in half.
constexpr char kEmergencyHandBack[] = "\x18\x1b[0m\x1b[?25h\x1b[25;1H\r\n";
// The title stack of xterm's window operations: save the terminal's title, and put it back.
constexpr std::string_view kPushTitle = "\x1b[22;0t";
constexpr char kPopTitle[] = "\x1b[23;0t";

// Set by SIGWINCH, taken by the next flush.
constinit std::atomic<bool> g_resized{false};
// Whether the emergency hand-back must put the title back.
constinit std::atomic<bool> g_title_pushed{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void HandleResize(int) { g_resized.store(true); }

std::pair<int, int> AskTerminalSize(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return {0, 0};
  return {size.ws_col, size.ws_row};
}

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

TerminalConsole::TerminalConsole(int fd, bool colour, SizeSource size)
    : fd_(fd), colour_(colour), size_(std::move(size)) {
  if (!size_) size_ = [fd] { return AskTerminalSize(fd); };
}

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
  if (!colour_) {
    sent_attribute_ = attribute;
    return;
  }
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

void TerminalConsole::ShowPanel(const PanelValues& values, int64_t elapsed_ms) {
  panel_ = values;
  panel_elapsed_ms_ = elapsed_ms;
  panel_time_row_ = model_.RowText(kPanelTimeRow);
}

void TerminalConsole::AppendTitle() {
  if (!title_pending_) return;
  title_pending_ = false;
  std::string title = StripControls(model_.title());
  if (sent_title_ == title) return;
  if (!title_pushed_) {
    out_ += kPushTitle;
    title_pushed_ = true;
    g_title_pushed.store(true);
  }
  out_ += "\x1b]0;";
  out_ += title;
  out_ += '\a';
  sent_title_ = std::move(title);
}

void TerminalConsole::CheckSize() {
  const bool resized = g_resized.exchange(false);
  if (size_known_ && !resized) return;
  const auto [columns, rows] = size_();
  size_known_ = true;
  columns_ = columns;
  rows_ = rows;
  compact_ = columns > 0 && rows > 0 && (columns < kScreenColumns || rows < kScreenRows);
  // A resized terminal may have moved, cut or reflowed what it showed.
  painted_ = false;
}

void TerminalConsole::Flush() {
  out_.clear();
  CheckSize();
  if (window_size_pending_) {
    out_ += "\x1b[8;";
    AppendNumber(window_size_pending_->second, out_);
    out_ += ';';
    AppendNumber(window_size_pending_->first, out_);
    out_ += 't';
    window_size_pending_.reset();
  }
  AppendTitle();
  // Hide before painting so that the cursor does not race across the screen.
  if (!model_.cursor_visible() && sent_cursor_visible_ != false) {
    out_ += kHideCursor;
    sent_cursor_visible_ = false;
  }
  if (!painted_) {
    if (colour_) out_ += kReset;
    out_ += kClear;
    sent_attribute_ = -1;
    terminal_column_ = 0;
    terminal_row_ = 0;
    shown_lines_.clear();
  }
  if (compact_) {
    FlushCompact();
  } else {
    FlushFull();
  }
  if (!out_.empty()) {
    WriteOut();
    restored_ = false;
  }
}

void TerminalConsole::FlushFull() {
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
}

std::vector<std::string> TerminalConsole::CompactLines() const {
  // One column is kept free: a character in the last column would leave the cursor waiting to
  // wrap, which terminals resolve differently.
  const size_t width = static_cast<size_t>(std::max(columns_ - 1, 1));
  std::vector<std::string> texts = KeyTexts(model_);
  if (panel_) {
    // The status line says what the panel's rows say.
    texts[kPanelScoreRow] = StatusLine(*panel_, panel_elapsed_ms_);
    // The rows below the scores and the bar take what runs on past the row's end.
    for (int row = kPanelScoreRow + 1; row <= kPanelBarRow + 1; ++row) texts[row].clear();
    if (model_.RowText(kPanelTimeRow) == panel_time_row_) texts[kPanelTimeRow].clear();
  }
  std::vector<std::string> lines;
  for (const std::string& text : texts) {
    for (std::string& line : WrapLine(text, width)) lines.push_back(std::move(line));
  }
  // The lines nearest the end are the latest news.
  const auto room = static_cast<size_t>(std::max(rows_, 1));
  if (lines.size() > room) lines.erase(lines.begin(), lines.end() - static_cast<ptrdiff_t>(room));
  return lines;
}

void TerminalConsole::FlushCompact() {
  const std::vector<std::string> lines = CompactLines();
  const size_t count = std::max(lines.size(), shown_lines_.size());
  for (size_t i = 0; i < count; ++i) {
    const bool shown = i < shown_lines_.size();
    const std::string_view line = i < lines.size() ? std::string_view(lines[i]) : "";
    if (shown ? shown_lines_[i] == line : line.empty()) continue;
    AppendCursorMove(0, static_cast<int>(i));
    out_ += line;
    out_ += kEraseLine;
  }
  terminal_column_ = -1;
  shown_lines_ = lines;
  painted_ = true;
}

void TerminalConsole::WriteOut() { WriteFully(fd_, out_.data(), out_.size()); }

void TerminalConsole::Restore() {
  if (restored_) return;
  restored_ = true;
  if (!touched_ && !painted_) return;
  Flush();
  out_.clear();
  if (compact_) {
    // The screen's key lines from the top, and the prompt after them.
    if (colour_) out_ += kReset;
    out_ += kClear;
    const size_t width = static_cast<size_t>(std::max(columns_ - 1, 1));
    for (const std::string& line : KeyLines(model_, width)) {
      out_ += line;
      out_ += "\r\n";
    }
    out_ += kShowCursor;
  } else {
    out_ += colour_ ? kHandBack : kHandBackNoColour;
  }
  if (title_pushed_) {
    out_ += kPopTitle;
    title_pushed_ = false;
    g_title_pushed.store(false);
    sent_title_.reset();
    title_pending_ = true;
  }
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
  if (g_title_pushed.load()) WriteFully(STDOUT_FILENO, kPopTitle, sizeof kPopTitle - 1);
}

void TerminalConsole::InstallResizeHandler() {
  struct sigaction action {};
  action.sa_handler = HandleResize;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGWINCH, &action, nullptr);
}

void TerminalConsole::NoteResize() { g_resized.store(true); }

}  // namespace quorvale
