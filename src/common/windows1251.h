// Text in Windows-1251, the code page in which the program's tables (after
// translation from the DOS code page) and its help file hold Cyrillic text,
// turned into Unicode for the windows. Pure functions; no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zakaz {

// The code point of byte `byte`; U+FFFD for the one unassigned byte, 0x98.
uint32_t Windows1251CodePoint(unsigned char byte);

// Every byte of `text` as UTF-8.
std::string Windows1251ToUtf8(std::string_view text);

// `cp` appended to `out` as UTF-8; surrogates and values beyond U+10FFFF
// become U+FFFD.
void AppendUtf8(std::string& out, uint32_t cp);

}  // namespace zakaz
