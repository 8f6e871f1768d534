// Reading and changing one value in the raw bytes of an INI file, with no
// file access and no code-page conversion, so the rules can be tested and
// fuzzed on their own. The bytes are Windows-1251 text; lines may end in
// CR LF or LF.
//
// Rules: a line "[name]" opens a section; "key=value" lines belong to the
// section above them; lines starting with ";" are comments. Section and key
// names match without regard to letter case (Latin and Cyrillic), and blanks
// around names and values do not count. Only the first section of a name is
// looked at, and in it the first line of a key, for reading and for writing
// alike, so a write always changes what the next read returns.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zakaz {

// Longest value a read returns; longer values are cut.
inline constexpr size_t kMaxIniValueLength = 2047;

// The value of `key` in `section`, blanks around it removed and cut to
// kMaxIniValueLength bytes, or nothing when the section or the key is absent.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// `text` with `key` in `section` set to `value`: the existing line's value is
// replaced (its key spelling and spacing before the value are kept), or the
// key is added after the section's last line, or the section and the key are
// appended at the end. Every other byte stays as it was; added lines use the
// file's own line ending (CR LF for a file that has none yet). Line breaks in
// `value` become blanks, since they would otherwise start new lines.
// Throws std::invalid_argument for a section or key name that could not be
// read back (empty, or holding a line break, "=" in a key, "]" in a section).
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// Whether two names are the same without regard to letter case, in
// Windows-1251.
bool IniNamesEqual(std::string_view a, std::string_view b);

}  // namespace zakaz
