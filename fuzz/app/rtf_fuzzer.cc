// Feeds arbitrary bytes to the help text reader: it must never crash, hang or
// read out of bounds, and every run it returns must be valid UTF-8 text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/rtf_reader.h"

namespace {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra;
    if (c < 0x80)
      extra = 0;
    else if ((c & 0xE0) == 0xC0)
      extra = 1;
    else if ((c & 0xF0) == 0xE0)
      extra = 2;
    else if ((c & 0xF8) == 0xF0)
      extra = 3;
    else
      return false;
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const zakaz::RtfDocument doc = zakaz::ParseRtf(input);
  for (const auto& paragraph : doc.paragraphs) {
    for (const auto& run : paragraph.runs) {
      if (run.text.empty() || !IsValidUtf8(run.text)) std::abort();
    }
  }
  return 0;
}
