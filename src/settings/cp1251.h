// Conversion between the program's text (UTF-8) and Windows-1251, the code
// page in which settings files from existing installations keep their values.
// Only the settings file layer's boundary converts; everything inside the
// program is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zakaz {

// Bytes that Windows-1251 leaves undefined become "?".
std::string Cp1251ToUtf8(std::string_view text);

// Characters that Windows-1251 cannot hold, and bytes that are not valid
// UTF-8, become "?", one per character, so a value never silently shrinks.
std::string Utf8ToCp1251(std::string_view text);

}  // namespace zakaz
