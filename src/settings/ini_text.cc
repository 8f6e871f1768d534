#include "settings/ini_text.h"

#include <array>
#include <stdexcept>
#include <vector>

#include "common/ascii_text.h"

namespace zakaz {
namespace {

// Maps each Windows-1251 byte to its lower-case form: Latin A-Z, Cyrillic
// А-Я, and the other Cyrillic capitals of the code page.
constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (int i = 'A'; i <= 'Z'; ++i) t[i] = static_cast<unsigned char>(i + 0x20);
  for (int i = 0xC0; i <= 0xDF; ++i) t[i] = static_cast<unsigned char>(i + 0x20);
  constexpr unsigned char kPairs[][2] = {{0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
                                         {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2},
                                         {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA},
                                         {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
  for (const auto& p : kPairs) t[p[0]] = p[1];
  return t;
}
constexpr auto kFold = MakeFoldTable();

enum class LineKind { kOther, kSection, kKey };

struct Line {
  size_t begin = 0;        // first byte of the line
  size_t content_end = 0;  // end of the text, before CR LF or LF
  size_t end = 0;          // past the line ending
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key name, trimmed
  size_t value_begin = 0;  // for keys: first byte after "=" and its blanks
};

Line ParseLine(std::string_view text, size_t begin) {
  Line line;
  line.begin = begin;
  const size_t newline = text.find('\n', begin);
  line.end = newline == std::string_view::npos ? text.size() : newline + 1;
  line.content_end = newline == std::string_view::npos ? text.size() : newline;
  if (line.content_end > begin && text[line.content_end - 1] == '\r') --line.content_end;

  const std::string_view content = text.substr(begin, line.content_end - begin);
  const std::string_view trimmed = TrimLineBlanks(content);
  if (trimmed.empty() || trimmed.front() == ';') return line;
  if (trimmed.front() == '[') {
    std::string_view name = trimmed.substr(1);
    name = name.substr(0, name.find(']'));
    line.kind = LineKind::kSection;
    line.name = TrimLineBlanks(name);
    return line;
  }
  const size_t eq = content.find('=');
  if (eq == std::string_view::npos) return line;
  line.kind = LineKind::kKey;
  line.name = TrimLineBlanks(content.substr(0, eq));
  const std::string_view value = TrimStartLineBlanks(content.substr(eq + 1));
  line.value_begin = begin + (content.size() - value.size());
  return line;
}

struct Location {
  std::optional<Line> section;
  std::optional<Line> key;
  std::optional<Line> last_in_section;  // last non-blank line of the section
};

Location Locate(std::string_view text, std::string_view section, std::string_view key) {
  Location loc;
  bool inside = false;
  for (size_t pos = 0; pos < text.size();) {
    Line line = ParseLine(text, pos);
    pos = line.end;
    if (line.kind == LineKind::kSection) {
      if (inside) break;  // later sections of the same name are not looked at
      if (IniNamesEqual(line.name, section)) {
        inside = true;
        loc.section = line;
        loc.last_in_section = line;
      }
      continue;
    }
    if (!inside) continue;
    if (!TrimLineBlanks(text.substr(line.begin, line.content_end - line.begin)).empty()) {
      loc.last_in_section = line;
    }
    if (line.kind == LineKind::kKey && IniNamesEqual(line.name, key)) {
      loc.key = line;
      break;
    }
  }
  return loc;
}

std::string_view LineEndingOf(std::string_view text) {
  const size_t newline = text.find('\n');
  if (newline == std::string_view::npos) return "\r\n";
  return newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

void CheckName(std::string_view name, std::string_view forbidden, const char* what) {
  if (TrimLineBlanks(name).empty() || name.find_first_of(forbidden) != std::string_view::npos) {
    throw std::invalid_argument(std::string("Unusable settings ") + what + " name");
  }
}

}  // namespace

bool IniNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])]) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
  const Location loc = Locate(text, TrimLineBlanks(section), TrimLineBlanks(key));
  if (!loc.key) return std::nullopt;
  const Line& line = *loc.key;
  std::string_view value =
      TrimLineBlanks(text.substr(line.value_begin, line.content_end - line.value_begin));
  if (value.size() > kMaxIniValueLength) value = value.substr(0, kMaxIniValueLength);
  return std::string(value);
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
  CheckName(section, "]\r\n", "section");
  CheckName(key, "=\r\n", "key");
  section = TrimLineBlanks(section);
  key = TrimLineBlanks(key);
  std::string clean_value(value);
  for (char& c : clean_value) {
    if (c == '\r' || c == '\n') c = ' ';
  }

  const Location loc = Locate(text, section, key);
  const std::string_view eol = LineEndingOf(text);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + clean_value.size() + 8);

  if (loc.key) {
    out.append(text.substr(0, loc.key->value_begin));
    out.append(clean_value);
    out.append(text.substr(loc.key->content_end));
    return out;
  }

  const std::string key_line = std::string(key) + "=" + clean_value;
  if (loc.section) {
    const Line& after = *loc.last_in_section;
    out.append(text.substr(0, after.end));
    if (text[after.end - 1] != '\n') out.append(eol);  // last line had no ending
    out.append(key_line);
    out.append(eol);
    out.append(text.substr(after.end));
    return out;
  }

  out.append(text);
  if (!text.empty() && text.back() != '\n') out.append(eol);
  out.append("[").append(section).append("]").append(eol);
  out.append(key_line).append(eol);
  return out;
}

}  // namespace zakaz
