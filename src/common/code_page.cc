#include "common/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace zakaz {
namespace {

constexpr char kReplacement = '?';

// Code points of Windows-1251 bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F
// in order. 0x98 is unassigned.
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr unsigned char kCp1251Undefined = 0x98;

iconv_t Handle(void* cd) { return static_cast<iconv_t>(cd); }

bool IsOpen(void* cd) { return Handle(cd) != reinterpret_cast<iconv_t>(-1); }

// Length of the malformed UTF-8 sequence at the front of `s`: the lead byte
// and the continuation bytes it announces, but never more than actually
// follow, so the next good character is kept.
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

TCodePageConverter::TCodePageConverter(const char* to, const char* from)
    : cd_(::iconv_open(to, from)), from_utf8_(std::string_view(from) == "UTF-8") {
  if (!IsOpen(cd_)) {
    throw std::runtime_error(std::string("No conversion from ") + from + " to " + to);
  }
}

TCodePageConverter::~TCodePageConverter() { ::iconv_close(Handle(cd_)); }

std::string TCodePageConverter::Convert(std::string_view text) {
  ::iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.reserve(text.size() * 2);
  char buffer[512];
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  while (in_left > 0) {
    char* dst = buffer;
    size_t out_left = sizeof buffer;
    const size_t rc = ::iconv(Handle(cd_), &in, &in_left, &dst, &out_left);
    const int error = errno;
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (rc != static_cast<size_t>(-1) || error == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut off at the end: one "?" for the
    // character, then on.
    const size_t skip =
        from_utf8_ ? std::min(in_left, BadUtf8Length(std::string_view(in, in_left))) : 1;
    out += kReplacement;
    in += skip;
    in_left -= skip;
    ::iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::optional<uint8_t> TCodePageConverter::ConvertByte(uint8_t byte) {
  ::iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);
  char input = static_cast<char>(byte);
  char output[8];
  char* in = &input;
  size_t in_left = 1;
  char* dst = output;
  size_t out_left = sizeof output;
  if (::iconv(Handle(cd_), &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1)) {
    return std::nullopt;
  }
  if (sizeof output - out_left != 1) return std::nullopt;
  return static_cast<uint8_t>(output[0]);
}

uint32_t Windows1251CodePoint(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
  return kCp1251High[byte - 0x80];
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decoding Windows-1251 needs no iconv: the table is complete, and the grid
// decodes every cell it paints.
std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (unsigned char c : text) {
    if (c == kCp1251Undefined) {
      out += kReplacement;
    } else {
      AppendUtf8(out, Windows1251CodePoint(c));
    }
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view text) {
  return TCodePageConverter("CP1251", "UTF-8").Convert(text);
}

std::string Cp866ToUtf8(std::string_view text) {
  return TCodePageConverter("UTF-8", "CP866").Convert(text);
}

std::string Utf8ToCp866(std::string_view text) {
  return TCodePageConverter("CP866", "UTF-8").Convert(text);
}

}  // namespace zakaz
