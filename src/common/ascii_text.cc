#include "common/ascii_text.h"

namespace zakaz {
namespace {

template <typename IsBlank>
std::string_view TrimStartWith(std::string_view text, IsBlank is_blank) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  return text;
}

template <typename IsBlank>
std::string_view TrimEndWith(std::string_view text, IsBlank is_blank) {
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

template <typename IsBlank>
std::string_view TrimWith(std::string_view text, IsBlank is_blank) {
  return TrimEndWith(TrimStartWith(text, is_blank), is_blank);
}

bool IsSpace(char c) { return c == ' '; }
bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }
bool IsLineBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::string_view TrimStartSpaceOrControl(std::string_view text) {
  return TrimStartWith(text, IsSpaceOrControl);
}
std::string_view TrimEndSpaceOrControl(std::string_view text) {
  return TrimEndWith(text, IsSpaceOrControl);
}
std::string_view TrimSpaceOrControl(std::string_view text) {
  return TrimWith(text, IsSpaceOrControl);
}

std::string_view TrimStartSpaces(std::string_view text) { return TrimStartWith(text, IsSpace); }
std::string_view TrimEndSpaces(std::string_view text) { return TrimEndWith(text, IsSpace); }

std::string_view TrimSpacesAndTabs(std::string_view text) { return TrimWith(text, IsSpaceOrTab); }

std::string_view TrimStartLineBlanks(std::string_view text) {
  return TrimStartWith(text, IsLineBlank);
}
std::string_view TrimLineBlanks(std::string_view text) { return TrimWith(text, IsLineBlank); }

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace zakaz
