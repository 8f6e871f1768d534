// Text in the two code pages the program meets, and UTF-8, the program's own
// text: Windows-1251 (the user interface's ANSI code page, in which settings
// files, the help file and translated table text hold Cyrillic) and CP866
// (the DOS code page the tables store). No Qt.
//
// One policy for what a code page cannot hold: in every text conversion a
// character the target lacks, a byte the source leaves undefined (0x98 in
// Windows-1251) and a malformed UTF-8 sequence each become one "?", and the
// conversion goes on. So a text never fails to convert and never silently
// shrinks, and "?" survives the way back. Only Windows1251CodePoint, which
// answers for a single byte with a code point, gives U+FFFD for 0x98, for
// readers that build Unicode text themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zakaz {

// One iconv conversion, closed when it goes out of scope. Throws
// std::runtime_error ("No conversion from CP866 to UTF-8") when the platform
// has no such conversion.
class TCodePageConverter {
 public:
  TCodePageConverter(const char* to, const char* from);
  ~TCodePageConverter();
  TCodePageConverter(const TCodePageConverter&) = delete;
  TCodePageConverter& operator=(const TCodePageConverter&) = delete;

  // `text` converted under the policy above.
  std::string Convert(std::string_view text);

  // The single byte that `byte` converts to, or nothing when the target has
  // no one-byte image of it.
  std::optional<uint8_t> ConvertByte(uint8_t byte);

 private:
  void* cd_;  // iconv_t, kept out of this header
  bool from_utf8_;
};

// The code point of Windows-1251 byte `byte`; U+FFFD for 0x98.
uint32_t Windows1251CodePoint(unsigned char byte);

// `cp` appended to `out` as UTF-8; surrogates and values beyond U+10FFFF
// become U+FFFD.
void AppendUtf8(std::string& out, uint32_t cp);

std::string Cp1251ToUtf8(std::string_view text);
std::string Utf8ToCp1251(std::string_view text);
std::string Cp866ToUtf8(std::string_view text);
std::string Utf8ToCp866(std::string_view text);

}  // namespace zakaz
