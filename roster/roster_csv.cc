// Roster parsing. libcsv is fed one byte at a time so that every row's span in the file is
// known: the groups file writes the rows back byte for byte, and a message can name the line.
#include "roster/roster_csv.h"

#include <csv.h>

#include <algorithm>
#include <array>

#include "base/format.h"

namespace quorvale {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kRowNotBegun = 0;  // libcsv's parser state between rows

struct Collector {
  std::vector<std::string> row;
  std::vector<std::vector<std::string>> rows;
  bool row_ended = false;
};

void OnField(void* data, size_t length, void* context) {
  auto& collector = *static_cast<Collector*>(context);
  collector.row.emplace_back(Trim(std::string_view(static_cast<const char*>(data), length)));
}

void OnRow(int, void* context) {
  auto& collector = *static_cast<Collector*>(context);
  collector.rows.push_back(std::move(collector.row));
  collector.row.clear();
  collector.row_ended = true;
}

// Line numbers of byte offsets. Offsets asked in rising order cost one pass over the text in
// all; "\r\n", "\n" and a lone "\r" each end a line.
class LineCounter {
 public:
  explicit LineCounter(std::string_view text) : text_(text) {}
  int LineAt(size_t offset) {
    if (offset < at_) {
      at_ = 0;
      line_ = 1;
    }
    for (; at_ < offset && at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      const bool crlf = c == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n';
      line_ += (c == '\n' || c == '\r') && !crlf;
    }
    return line_;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
  int line_ = 1;
};

// The first byte offset at which `text` is not UTF-8 (overlong forms, surrogates and code points
// above U+10FFFF included), or npos.
size_t FirstNonUtf8(std::string_view text) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = byte(i);
    size_t extra = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (c < 0x80) {
      extra = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    if (extra > 0 && (i + extra >= text.size() || byte(i + 1) < low || byte(i + 1) > high)) {
      return i;
    }
    for (size_t k = 2; k <= extra; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return i;
    }
    i += 1 + extra;
  }
  return std::string_view::npos;
}

std::string ColumnLabel(const std::vector<std::string>& header, size_t index) {
  std::string label = StringPrintf("column %zu", index + 1);
  if (index < header.size()) label += " (\"" + header[index] + "\")";
  return label;
}

std::string Shown(char c) {
  if (c == '\t') return "a tab";
  if (c == '"') return "a quote";
  return StringPrintf("'%c'", c);
}

}  // namespace

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

int Roster::ColumnIndex(std::string_view name) const {
  for (size_t i = 0; i < header.size(); ++i) {
    if (header[i] == name) return static_cast<int>(i);
  }
  return -1;
}

char DetectDelimiter(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  std::array<int, 3> counts{};
  constexpr std::array<char, 3> kCandidates{',', ';', '\t'};
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    for (size_t k = 0; k < kCandidates.size(); ++k) counts[k] += c == kCandidates[k];
  }
  const size_t best =
      static_cast<size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
  return counts[best] > 0 ? kCandidates[best] : ',';
}

Status ParseRoster(std::string_view text, const std::string& file_name,
                   std::optional<char> delimiter, Roster& roster) {
  roster = Roster{};
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    roster.byte_order_mark = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  LineCounter lines(text);
  // UTF-16 text holds a NUL in every character of the ASCII range, and NUL is valid UTF-8.
  if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
    return Status::Error(StringPrintf(
        "%s, line %d: found a NUL byte, so the file looks like UTF-16 text; expected UTF-8 (in a "
        "spreadsheet: save as \"CSV UTF-8\"; in a text editor: save with the encoding UTF-8).",
        file_name.c_str(), lines.LineAt(nul)));
  }
  if (const size_t bad = FirstNonUtf8(text); bad != std::string_view::npos) {
    return Status::Error(StringPrintf(
        "%s, line %d: found the byte 0x%02X, which is not UTF-8; expected a file saved as UTF-8 "
        "text (in a spreadsheet: save as \"CSV UTF-8\").",
        file_name.c_str(), lines.LineAt(bad), static_cast<unsigned char>(text[bad])));
  }
  roster.delimiter = delimiter ? *delimiter : DetectDelimiter(text);

  csv_parser parser{};
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
    return Status::Error("Not enough memory to read " + file_name + ".");
  }
  csv_set_delim(&parser, static_cast<unsigned char>(roster.delimiter));
  Collector collector;
  // Each row's span in `text`; a blank line below the header is an empty span, kept when a row
  // follows it.
  std::vector<size_t> starts, ends;
  size_t blank_lines = 0;
  size_t row_start = 0;
  auto end_row = [&](size_t end) {
    collector.row_ended = false;
    for (; blank_lines > 0; --blank_lines) {
      collector.rows.insert(collector.rows.end() - 1, std::vector<std::string>{});
      starts.push_back(row_start);
      ends.push_back(row_start);
    }
    starts.push_back(row_start);
    ends.push_back(end);
    row_start = end + 1;
  };
  Status status;
  for (size_t i = 0; i < text.size() && status.ok(); ++i) {
    const int before = parser.pstate;
    if (csv_parse(&parser, &text[i], 1, OnField, OnRow, &collector) != 1) {
      status = Status::Error(StringPrintf(
          "%s, line %d, %s: found %s inside a field; expected a field either without quotes or "
          "wholly in quotes, with every quote inside it doubled.",
          file_name.c_str(), lines.LineAt(i),
          ColumnLabel(collector.rows.empty() ? collector.row : collector.rows.front(),
                      collector.row.size())
              .c_str(),
          Shown(text[i]).c_str()));
      break;
    }
    if (collector.row_ended) {
      end_row(i);
    } else if (before == kRowNotBegun && parser.pstate == kRowNotBegun &&
               (text[i] == '\n' || text[i] == '\r')) {
      // The second byte of a "\r\n" ends no line of its own.
      const bool crlf = text[i] == '\n' && i > 0 && text[i - 1] == '\r';
      blank_lines += !crlf && !starts.empty();
      row_start = i + 1;
    }
  }
  if (status.ok() && csv_fini(&parser, OnField, OnRow, &collector) != 0) {
    status = Status::Error(StringPrintf(
        "%s, line %d: found the end of the file inside a quoted field that began on line %d; "
        "expected its closing quote.",
        file_name.c_str(), lines.LineAt(text.size()), lines.LineAt(row_start)));
  }
  csv_free(&parser);
  if (!status.ok()) return status;
  if (collector.row_ended) end_row(text.size());

  if (collector.rows.empty()) {
    return Status::Error(file_name +
                         ": the file is empty; expected a header row naming the columns, then "
                         "one row per person.");
  }
  roster.header = std::move(collector.rows.front());
  roster.raw_header = std::string(text.substr(starts[0], ends[0] - starts[0]));
  const std::string_view header_end = text.substr(ends[0]);
  roster.line_end = header_end.starts_with("\r\n") ? "\r\n"
                    : header_end.starts_with('\r') ? "\r"
                                                   : "\n";
  for (size_t c = 0; c < roster.header.size(); ++c) {
    for (size_t earlier = 0; earlier < c; ++earlier) {
      if (roster.header[earlier] == roster.header[c]) {
        return Status::Error(StringPrintf(
            "%s, line %d: the header names the column \"%s\" twice, in columns %zu and %zu; "
            "expected every column name once.",
            file_name.c_str(), lines.LineAt(starts[0]), roster.header[c].c_str(), earlier + 1,
            c + 1));
      }
    }
  }
  for (size_t r = 1; r < collector.rows.size(); ++r) {
    std::vector<std::string>& row = collector.rows[r];
    roster.raw_rows.emplace_back(text.substr(starts[r], ends[r] - starts[r]));
    // A row of empty cells names nobody; the groups file keeps its place.
    const bool person =
        !std::all_of(row.begin(), row.end(), [](const std::string& s) { return s.empty(); });
    roster.row_is_person.push_back(person);
    if (!person) continue;
    const int line = lines.LineAt(starts[r]);
    if (row.size() != roster.header.size()) {
      return Status::Error(StringPrintf(
          "%s, line %d: found a row of %zu cells; expected %zu, one for each column of the "
          "header (delimiter %s).",
          file_name.c_str(), line, row.size(), roster.header.size(),
          Shown(roster.delimiter).c_str()));
    }
    roster.cells.push_back(std::move(row));
    roster.lines.push_back(line);
  }
  if (roster.cells.empty()) {
    return Status::Error(StringPrintf(
        "%s: found only the header row; expected one row per person below it.", file_name.c_str()));
  }
  return Status::Ok();
}

}  // namespace quorvale
