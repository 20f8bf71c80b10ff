// The console on a real terminal: every call is applied to an in-memory Screen, and Flush sends
// the terminal only the cells that changed since the previous flush, as xterm/VT escape sequences
// in one write. The program's fixed screen thus costs a full paint once and a few bytes per panel
// refresh afterwards.
//
// A terminal smaller than 100 x 25 gets the compact form instead, so that nothing is written
// past its edge: the screen's text lines, with the status panel as one live line, and at the end
// the screen's key lines. A resize (SIGWINCH) switches between the two forms and repaints.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console/console.h"
#include "console/screen.h"
#include "console/status_panel.h"

namespace quorvale {

class TerminalConsole final : public Console {
 public:
  // Columns and rows of the terminal; {0, 0} when unknown, which is taken as large enough.
  using SizeSource = std::function<std::pair<int, int>()>;

  // `fd` is where the escape sequences go (standard output in the program). It is not owned.
  // Without `colour` no colour attributes are sent (the NO_COLOR convention). `size` is asked
  // at the first flush and after every resize; by default it asks the terminal behind `fd`.
  explicit TerminalConsole(int fd, bool colour = true, SizeSource size = nullptr);
  // Calls Restore().
  ~TerminalConsole() override;
  TerminalConsole(const TerminalConsole&) = delete;
  TerminalConsole& operator=(const TerminalConsole&) = delete;

  // Sent as a window-size request at the next flush; the terminal may ignore it.
  void SetWindowSize(int columns, int rows) override;
  void SetCursor(int column, int row) override;
  void SetAttribute(uint8_t attribute) override;
  void SetCursorVisible(bool visible) override;
  // Sent at the next flush with control characters removed. The terminal's own title is saved
  // on its title stack first and put back by Restore.
  void SetTitle(std::string_view title) override;
  void Write(std::string_view text) override;
  // Sends everything that changed since the last flush in a single write. The first flush clears
  // the terminal and paints all 100 x 25 cells, as does the first flush after a resize. Write
  // errors are not reported: the screen is then simply not seen.
  void Flush() override;
  // Keeps the values for the compact form's status line.
  void ShowPanel(const PanelValues& values, int64_t elapsed_ms) override;

  // Hands the terminal back to the shell: flushes what is pending, resets the colours, shows the
  // cursor, puts the title back and leaves the cursor at the start of the line below the screen
  // (in the compact form: below the screen's key lines, printed from the top). Calling it again
  // without anything flushed in between writes nothing. A console that was never drawn on
  // writes nothing.
  void Restore();

  // What Restore() leaves behind, written to standard output with write(2) only, for a process
  // that is about to end from a signal handler. Async-signal-safe.
  static void EmergencyRestore();

  // Installs the SIGWINCH handler that marks the terminal as resized.
  static void InstallResizeHandler();
  // What the handler does: the next flush asks the size again and repaints.
  static void NoteResize();

  // Whether the compact form is in use (as of the last flush).
  bool compact() const { return compact_; }

  // What the terminal is meant to show once flushed.
  const Screen& model() const { return model_; }

 private:
  void Touch() { touched_ = true; }
  void AppendCursorMove(int column, int row);
  void AppendAttribute(uint8_t attribute);
  void AppendCell(char32_t character, int column);
  void AppendTitle();
  // Asks the size when unknown or after a resize; a change of size forces a whole repaint.
  void CheckSize();
  void FlushFull();
  void FlushCompact();
  // The compact form's lines: the screen's text with the panel's rows as the status line.
  std::vector<std::string> CompactLines() const;
  void WriteOut();

  int fd_;
  bool colour_;
  SizeSource size_;
  Screen model_;
  // The cells as the terminal shows them; meaningful once `painted_`.
  std::array<Cell, kScreenCells> shown_{};
  bool painted_ = false;
  bool touched_ = false;
  bool restored_ = false;

  // The terminal's size as last asked, and the form it gets.
  bool size_known_ = false;
  int columns_ = 0;
  int rows_ = 0;
  bool compact_ = false;
  // The compact form's lines as the terminal shows them.
  std::vector<std::string> shown_lines_;
  // The panel's last values, and the time row as that drawing left it.
  std::optional<PanelValues> panel_;
  int64_t panel_elapsed_ms_ = 0;
  std::string panel_time_row_;
  bool title_pushed_ = false;

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
