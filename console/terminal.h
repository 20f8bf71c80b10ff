// The console on a real terminal: every call is applied to an in-memory Screen, and Flush sends
// the terminal only the cells that changed since the previous flush, as xterm/VT escape sequences
// in one write. The program's fixed screen thus costs a full paint once and a few bytes per panel
// refresh afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "console/console.h"
#include "console/screen.h"

namespace quorvale {

class TerminalConsole final : public Console {
 public:
  // `fd` is where the escape sequences go (standard output in the program). It is not owned.
  explicit TerminalConsole(int fd);
  // Calls Restore().
  ~TerminalConsole() override;
  TerminalConsole(const TerminalConsole&) = delete;
  TerminalConsole& operator=(const TerminalConsole&) = delete;

  // Sent as a window-size request at the next flush; the terminal may ignore it.
  void SetWindowSize(int columns, int rows) override;
  void SetCursor(int column, int row) override;
  void SetAttribute(uint8_t attribute) override;
  void SetCursorVisible(bool visible) override;
  // Sent at the next flush with control characters removed.
  void SetTitle(std::string_view title) override;
  void Write(std::string_view text) override;
  // Sends everything that changed since the last flush in a single write. The first flush clears
  // the terminal and paints all 100 x 25 cells. Write errors are not reported: the screen is
  // then simply not seen.
  void Flush() override;

  // Hands the terminal back to the shell: flushes what is pending, resets the colours, shows the
  // cursor and leaves it at the start of the line below the screen. Calling it again without
  // anything flushed in between writes nothing. A console that was never drawn on writes nothing.
  void Restore();

  // What Restore() leaves behind, written to standard output with write(2) only, for a process
  // that is about to end from a signal handler. Async-signal-safe.
  static void EmergencyRestore();

  // What the terminal is meant to show once flushed.
  const Screen& model() const { return model_; }

 private:
  void Touch() { touched_ = true; }
  void AppendCursorMove(int column, int row);
  void AppendAttribute(uint8_t attribute);
  void AppendCell(char32_t character, int column);
  void WriteOut();

  int fd_;
  Screen model_;
  // The cells as the terminal shows them; meaningful once `painted_`.
  std::array<Cell, kScreenCells> shown_{};
  bool painted_ = false;
  bool touched_ = false;
  bool restored_ = false;

  // The terminal's state as far as we know it; unknown values force a resend.
  int sent_attribute_ = -1;
  int terminal_column_ = -1;
  int terminal_row_ = -1;
  std::optional<bool> sent_cursor_visible_;
  std::optional<std::string> sent_title_;

  // Requests waiting for the next flush.
  bool title_pending_ = false;
  std::optional<std::pair<int, int>> window_size_pending_;

  // Reused between flushes to avoid an allocation per panel refresh.
  std::string out_;
};

}  // namespace quorvale
