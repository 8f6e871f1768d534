#include "app/rtf_reader.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "common/code_page.h"

namespace zakaz {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Destinations whose text is not part of the document.
bool IsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kSkipped[] = {
      "fonttbl",
      "colortbl",
      "stylesheet",
      "info",
      "pict",
      "object",
      "header",
      "headerl",
      "headerr",
      "headerf",
      "footer",
      "footerl",
      "footerr",
      "footerf",
      "listtable",
      "listoverridetable",
      "rsidtbl",
      "generator",
      "xmlnstbl",
      "themedata",
      "colorschememapping",
      "latentstyles",
      "datastore",
      "fldinst",
      "filetbl",
      "revtbl",
      "footnote",
      "bkmkstart",
      "bkmkend",
      "private",
      "userprops",
      "mmathPr",
      "pgdsctbl",
  };
  for (auto s : kSkipped) {
    if (s == word) return true;
  }
  return false;
}

struct State {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int half_points = 24;
  bool skip = false;
  int uc = 1;  // characters that stand in for each "\uN" in older readers
};

class Reader {
 public:
  explicit Reader(std::string_view input) : in_(input) {}

  RtfDocument Run() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      switch (c) {
        case '{':
          FlushSurrogate();
          stack_.push_back(state_);
          pending_skip_ = 0;
          group_start_ = true;
          continue;
        case '}':
          FlushSurrogate();
          if (!stack_.empty()) {
            state_ = stack_.back();
            stack_.pop_back();
          }
          pending_skip_ = 0;
          break;
        case '\\':
          ControlSequence();
          break;
        case '\r':
        case '\n':
          break;
        default:
          if (!ConsumeSkippedCharacter()) Text(Windows1251CodePoint(static_cast<unsigned char>(c)));
          break;
      }
      group_start_ = false;
    }
    FlushSurrogate();
    EndParagraph(/*keep_empty=*/false);
    return std::move(doc_);
  }

 private:
  // After "\uN" the next `uc` characters are the fallback for readers that
  // do not know "\u"; each counts as one whether it is a byte, an escape or a
  // control word.
  bool ConsumeSkippedCharacter() {
    if (pending_skip_ == 0) return false;
    --pending_skip_;
    return true;
  }

  void ControlSequence() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (IsLetter(c)) {
      ControlWord();
      return;
    }
    ++pos_;
    if (c == '\'') {
      const int hi = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
      const int lo = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
      if (hi < 0 || lo < 0) return;
      pos_ += 2;
      if (!ConsumeSkippedCharacter())
        Text(Windows1251CodePoint(static_cast<unsigned char>(hi * 16 + lo)));
      return;
    }
    if (c == '*') {
      // "{\*\word" marks a destination that readers which do not know it
      // must skip entirely.
      if (group_start_) state_.skip = true;
      return;
    }
    if (ConsumeSkippedCharacter()) return;
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Text(static_cast<unsigned char>(c));
        break;
      case '~':
        Text(0x00A0);
        break;
      case '_':
        Text(0x2011);
        break;
      case '\r':
      case '\n':
        if (!state_.skip) EndParagraph(/*keep_empty=*/true);
        break;
      case '\t':
        Text('\t');
        break;
      default:
        break;  // "\-" (optional hyphen) and unknown symbols show nothing
    }
  }

  void ControlWord() {
    const bool at_group_start = group_start_;
    const size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_]) && pos_ - start < 32) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    bool has_param = false;
    bool negative = false;
    long long param = 0;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && IsDigit(in_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    size_t digits = 0;
    while (pos_ < in_.size() && IsDigit(in_[pos_])) {
      if (digits < 10) param = param * 10 + (in_[pos_] - '0');
      ++digits;
      ++pos_;
      has_param = true;
    }
    if (negative) param = -param;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;

    if (word == "bin") {
      // Binary data of `param` bytes follows; it is never text.
      const size_t n = has_param && param > 0 ? static_cast<size_t>(param) : 0;
      pos_ += std::min(n, in_.size() - pos_);
      return;
    }
    if (at_group_start && IsSkippedDestination(word)) {
      state_.skip = true;
      return;
    }
    if (word == "u") {
      if (ConsumeSkippedCharacter()) return;
      long long cp = param;
      if (cp < 0) cp += 65536;
      UnicodeChar(static_cast<uint32_t>(cp & 0xFFFF));
      pending_skip_ = state_.uc;
      return;
    }
    if (ConsumeSkippedCharacter()) return;
    const int value = static_cast<int>(param);
    if (word == "par") {
      if (!state_.skip) EndParagraph(/*keep_empty=*/true);
    } else if (word == "line") {
      Text('\n');
    } else if (word == "tab") {
      Text('\t');
    } else if (word == "b") {
      state_.bold = !has_param || value != 0;
    } else if (word == "i") {
      state_.italic = !has_param || value != 0;
    } else if (word == "ul") {
      state_.underline = !has_param || value != 0;
    } else if (word == "ulnone") {
      state_.underline = false;
    } else if (word == "fs") {
      // Sizes outside what a help text uses (and zero) keep the default.
      state_.half_points = has_param && value >= 2 && value <= 3276 ? value : 24;
    } else if (word == "plain") {
      state_.bold = state_.italic = state_.underline = false;
      state_.half_points = 24;
    } else if (word == "uc") {
      state_.uc = has_param && value >= 0 && value <= 10 ? value : 1;
    } else if (word == "emdash") {
      Text(0x2014);
    } else if (word == "endash") {
      Text(0x2013);
    } else if (word == "bullet") {
      Text(0x2022);
    } else if (word == "lquote") {
      Text(0x2018);
    } else if (word == "rquote") {
      Text(0x2019);
    } else if (word == "ldblquote") {
      Text(0x201C);
    } else if (word == "rdblquote") {
      Text(0x201D);
    }
  }

  void UnicodeChar(uint32_t cp) {
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      FlushSurrogate();
      high_surrogate_ = cp;
      return;
    }
    if (cp >= 0xDC00 && cp <= 0xDFFF && high_surrogate_ != 0) {
      const uint32_t full = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (cp - 0xDC00);
      high_surrogate_ = 0;
      Text(full);
      return;
    }
    Text(cp);
  }

  void FlushSurrogate() {
    if (high_surrogate_ == 0) return;
    high_surrogate_ = 0;
    Text(kReplacement);
  }

  void Text(uint32_t cp) {
    if (state_.skip) return;
    if (high_surrogate_ != 0 && !(cp >= 0x10000)) {
      high_surrogate_ = 0;
      AppendText(kReplacement);
    }
    AppendText(cp);
  }

  void AppendText(uint32_t cp) {
    auto& runs = paragraph_.runs;
    if (runs.empty() || runs.back().bold != state_.bold || runs.back().italic != state_.italic ||
        runs.back().underline != state_.underline ||
        runs.back().half_points != state_.half_points) {
      RtfRun run;
      run.bold = state_.bold;
      run.italic = state_.italic;
      run.underline = state_.underline;
      run.half_points = state_.half_points;
      runs.push_back(std::move(run));
    }
    AppendUtf8(runs.back().text, cp);
  }

  void EndParagraph(bool keep_empty) {
    FlushSurrogate();
    if (paragraph_.runs.empty() && !keep_empty) return;
    doc_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = RtfParagraph();
  }

  static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::string_view in_;
  size_t pos_ = 0;
  State state_;
  std::vector<State> stack_;
  bool group_start_ = false;
  int pending_skip_ = 0;
  uint32_t high_surrogate_ = 0;
  RtfParagraph paragraph_;
  RtfDocument doc_;
};

RtfDocument ParsePlainText(std::string_view input) {
  RtfDocument doc;
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    std::string_view line = input.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    RtfParagraph paragraph;
    if (!line.empty()) {
      RtfRun run;
      for (unsigned char c : line) AppendUtf8(run.text, Windows1251CodePoint(c));
      paragraph.runs.push_back(std::move(run));
    }
    if (end == input.size()) {
      if (!paragraph.runs.empty()) doc.paragraphs.push_back(std::move(paragraph));
      break;
    }
    doc.paragraphs.push_back(std::move(paragraph));
    start = end + 1;
  }
  return doc;
}

}  // namespace

RtfDocument ParseRtf(std::string_view input) {
  if (input.substr(0, 5) != "{\\rtf") return ParsePlainText(input);
  return Reader(input).Run();
}

void PrintTo(const RtfDocument& doc, std::ostream* os) {
  for (const auto& p : doc.paragraphs) {
    *os << "\n  |";
    for (const auto& r : p.runs) {
      *os << "[" << (r.bold ? "b" : "") << (r.italic ? "i" : "") << (r.underline ? "u" : "")
          << r.half_points << ":" << r.text << "]";
    }
  }
}

}  // namespace zakaz
