// One reply of an FTP server as the session reads it: the code as text and as
// a number, and the text of every line without its first four characters.
// Building one from the lines of a reply is pure, so the reply grammar can be
// checked without a connection.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zakaz::ftp {

class TRfcReply {
 public:
  TRfcReply() = default;
  // `lines` are the reply's lines, already trimmed, the first one opening it.
  static TRfcReply FromLines(const std::vector<std::string>& lines);

  // 0 when TextCode is not a number.
  int NumericCode() const { return numeric_code_; }
  // Three digits in a well-formed reply.
  const std::string& TextCode() const { return text_code_; }
  const std::vector<std::string>& Text() const { return text_; }
  // The lines of Text, each followed by CR LF: what a refused reply reports.
  std::string JoinedText() const;

 private:
  int numeric_code_ = 0;
  std::string text_code_;
  std::vector<std::string> text_;
};

// Blanks and control characters removed from both ends.
std::string_view TrimReplyLine(std::string_view line);
// Whether a trimmed first line opens a reply of several lines.
bool OpensMultiLineReply(std::string_view first_line);
// Whether a trimmed line ends the several-line reply opened by `first_line`.
bool ClosesMultiLineReply(std::string_view first_line, std::string_view line);
// The decimal value of a whole number with an optional sign, as the session
// reads numbers from replies; false when `text` is anything else.
bool ParseReplyInteger(std::string_view text, long long* value);

}  // namespace zakaz::ftp
