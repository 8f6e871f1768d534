#include "ftp/rfc_reply.h"

#include <cctype>
#include <limits>

#include "common/ascii_text.h"

namespace zakaz::ftp {

std::string_view TrimReplyLine(std::string_view line) {
  // Everything up to the blank counts as blank or control, as the servers'
  // own line trimming has it; bytes above 127 are letters of the 8-bit set.
  return TrimSpaceOrControl(line);
}

bool OpensMultiLineReply(std::string_view first_line) {
  return first_line.size() > 3 && first_line[3] == '-';
}

bool ClosesMultiLineReply(std::string_view first_line, std::string_view line) {
  if (line.size() < 4) return true;
  for (size_t i = 0; i < 4; ++i) {
    const char expected = i < 3 ? first_line[i] : ' ';
    if (AsciiLower(line[i]) != AsciiLower(expected)) {
      return false;
    }
  }
  return true;
}

bool ParseReplyInteger(std::string_view text, long long* value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  unsigned long long magnitude = 0;
  const unsigned long long limit =
      static_cast<unsigned long long>(std::numeric_limits<long long>::max()) + (negative ? 1 : 0);
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  *value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
  return true;
}

TRfcReply TRfcReply::FromLines(const std::vector<std::string>& lines) {
  TRfcReply reply;
  if (lines.empty()) return reply;
  std::string_view code = TrimReplyLine(std::string_view(lines.front()).substr(0, 4));
  if (!code.empty() && code.back() == '-') code.remove_suffix(1);
  reply.text_code_ = std::string(code);
  long long number = 0;
  if (ParseReplyInteger(code, &number) && number >= std::numeric_limits<int>::min() &&
      number <= std::numeric_limits<int>::max()) {
    reply.numeric_code_ = static_cast<int>(number);
  }
  reply.text_.reserve(lines.size());
  for (const auto& line : lines) {
    reply.text_.push_back(line.size() > 4 ? line.substr(4) : std::string());
  }
  return reply;
}

std::string TRfcReply::JoinedText() const {
  std::string joined;
  for (const auto& line : text_) {
    joined += line;
    joined += "\r\n";
  }
  return joined;
}

}  // namespace zakaz::ftp
