// A small reader of rich text (RTF) for the help window.
//
// The help text is an outside file, so the reader takes any bytes and never
// fails: it keeps groups, paragraphs and line breaks, bold, italic,
// underline and font sizes, turns "\'xx" escapes and raw 8-bit text from
// Windows-1251 and "\uN" characters into UTF-8, and skips the font and colour
// tables, the style sheet, document information, pictures and every "\*"
// destination. Anything it does not know is left out. Input that does not
// start as rich text is read as plain Windows-1251 text, one paragraph per
// line. The result is a plain value that knows nothing of any window system.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zakaz {

// A stretch of text with one character format. `text` is UTF-8; a line break
// inside a paragraph is '\n', a tab '\t'.
struct RtfRun {
  std::string text;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int half_points = 24;  // font size in half points; 24 is 12 pt

  friend bool operator==(const RtfRun&, const RtfRun&) = default;
};

struct RtfParagraph {
  std::vector<RtfRun> runs;

  friend bool operator==(const RtfParagraph&, const RtfParagraph&) = default;
};

struct RtfDocument {
  std::vector<RtfParagraph> paragraphs;

  friend bool operator==(const RtfDocument&, const RtfDocument&) = default;
};

// Reads `input`. Adjacent text of one format is one run.
RtfDocument ParseRtf(std::string_view input);

// For test failure output: one line per paragraph, runs in brackets with
// their format flags.
void PrintTo(const RtfDocument& doc, std::ostream* os);

}  // namespace zakaz
