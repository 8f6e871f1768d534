// The two byte tables that translate table text between the user interface's
// ANSI code page (Windows-1251) and the DOS code page the tables store (CP866),
// built once at start-up and shared by every table and dataset.
//
// The tables are lossless: every byte 33..255 has its own OEM image and
// translating to OEM and back returns the byte, also for characters CP866
// lacks. Bytes 0..32 are never changed. The text conversions between UTF-8
// and the code pages are common/code_page.h's, included here for the
// engine's callers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/code_page.h"

namespace zakaz::dbf {

using TTranslationTable = std::array<uint8_t, 256>;

// Both tables; built on first use if BuildTranslationTables was not called.
const TTranslationTable& AnsiToOemTable();
const TTranslationTable& OemToAnsiTable();

// Builds both tables from the platform's Windows-1251 and CP866 conversions
// (common/code_page.h). Safe to call more than once. Throws
// std::runtime_error when the platform lacks either conversion.
void BuildTranslationTables();

// The table-building algorithm on its own: `ansi_to_oem[c]` and
// `oem_to_ansi[o]` give the platform's conversion of one byte, or -1 when it
// has none. Exposed so the rules can be tested on chosen inputs.
struct TTranslationTables {
  TTranslationTable ansi_to_oem{};
  TTranslationTable oem_to_ansi{};
};
TTranslationTables BuildTranslationTablesFrom(const std::array<int, 256>& ansi_to_oem,
                                              const std::array<int, 256>& oem_to_ansi);

// Every byte replaced through AnsiToOemTable / OemToAnsiTable; same length.
std::string ToOem(std::string_view text);
std::string FromOem(std::string_view text);
// In place, for callers that already own a buffer.
void ToOemInPlace(char* text, size_t length);
void FromOemInPlace(char* text, size_t length);

}  // namespace zakaz::dbf
