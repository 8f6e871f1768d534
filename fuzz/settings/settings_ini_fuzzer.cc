// Feeds arbitrary bytes to the settings file rules and checks what must hold
// for any file: a read never returns more than the longest value, a write is
// read back as written, and a write changes no other key.
//
// Input: one byte choosing the key, one byte giving the value's length, the
// value, then the file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/code_page.h"
#include "settings/ini_text.h"

namespace {

constexpr const char* kKeys[] = {"Clientcode", "Client",  "ftp",
                                 "Passiv",     "Comment", "\xCA\xEE\xE4"};
constexpr size_t kKeyCount = sizeof(kKeys) / sizeof(kKeys[0]);

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const char* key = kKeys[data[0] % kKeyCount];
  const size_t value_size = std::min<size_t>(data[1], size - 2);
  std::string value(reinterpret_cast<const char*>(data + 2), value_size);
  const std::string_view text(reinterpret_cast<const char*>(data + 2 + value_size),
                              size - 2 - value_size);

  for (const char* section : {"Main", "main", "Other"}) {
    for (const char* k : kKeys) {
      const std::optional<std::string> found = zakaz::FindIniValue(text, section, k);
      if (found) Check(found->size() <= zakaz::kMaxIniValueLength);
    }
  }

  const std::string after = zakaz::SetIniValue(text, "Main", key, value);
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::string_view expected = Trim(value);
  expected = expected.substr(0, zakaz::kMaxIniValueLength);
  Check(zakaz::FindIniValue(after, "MAIN", key) == std::optional<std::string>(expected));
  for (const char* section : {"Main", "Other"}) {
    for (const char* other : kKeys) {
      if (std::string_view(section) == "Main" && other == key) continue;
      Check(zakaz::FindIniValue(text, section, other) ==
            zakaz::FindIniValue(after, section, other));
    }
  }

  // Every Windows-1251 byte but the one undefined byte survives the round trip.
  std::string cp1251(text);
  for (char& c : cp1251) {
    if (static_cast<unsigned char>(c) == 0x98) c = '?';
  }
  Check(zakaz::Utf8ToCp1251(zakaz::Cp1251ToUtf8(text)) == cp1251);
  zakaz::Utf8ToCp1251(text);
  return 0;
}
