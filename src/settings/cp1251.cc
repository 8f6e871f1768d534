#include "settings/cp1251.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace zakaz {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("No conversion from ") + from + " to " + to);
    }
  }
  ~Converter() { ::iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // `skip_bad` says how many input bytes to drop for an unconvertible or
  // malformed sequence at the start of its argument; "?" replaces them.
  template <typename SkipBad>
  std::string Convert(std::string_view text, SkipBad skip_bad) {
    std::string out;
    out.reserve(text.size() * 2);
    char buffer[512];
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    while (in_left > 0) {
      char* out_ptr = buffer;
      size_t out_left = sizeof(buffer);
      const size_t rc = ::iconv(cd_, &in, &in_left, &out_ptr, &out_left);
      const int error = errno;
      out.append(buffer, static_cast<size_t>(out_ptr - buffer));
      if (rc != static_cast<size_t>(-1)) continue;
      if (error == E2BIG) continue;
      // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
      const size_t skip = std::min(in_left, skip_bad(std::string_view(in, in_left)));
      out += '?';
      in += skip;
      in_left -= skip;
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence a lead byte announces, at least one byte, and
// never more than the continuation bytes that actually follow.
size_t BadUtf8Length(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  size_t want = 1;
  if (lead >= 0xF0 && lead <= 0xF4) {
    want = 4;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    want = 3;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    want = 2;
  }
  size_t n = 1;
  while (n < want && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
  return n;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text) {
  Converter converter("UTF-8", "CP1251");
  return converter.Convert(text, [](std::string_view) { return size_t{1}; });
}

std::string Utf8ToCp1251(std::string_view text) {
  Converter converter("CP1251", "UTF-8");
  return converter.Convert(text, BadUtf8Length);
}

}  // namespace zakaz
