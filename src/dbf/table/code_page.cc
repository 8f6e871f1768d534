#include "dbf/table/code_page.h"

#include <mutex>

namespace zakaz::dbf {
namespace {

struct Tables {
  std::once_flag once;
  TTranslationTables tables;
};

Tables& Shared() {
  static Tables shared;
  return shared;
}

TTranslationTables BuildFromPlatform() {
  TCodePageConverter to_oem("CP866", "CP1251");
  TCodePageConverter to_ansi("CP1251", "CP866");
  std::array<int, 256> ansi_to_oem{};
  std::array<int, 256> oem_to_ansi{};
  for (int c = 0; c < 256; ++c) {
    ansi_to_oem[c] = to_oem.ConvertByte(static_cast<uint8_t>(c)).value_or(-1);
    oem_to_ansi[c] = to_ansi.ConvertByte(static_cast<uint8_t>(c)).value_or(-1);
  }
  return BuildTranslationTablesFrom(ansi_to_oem, oem_to_ansi);
}

const TTranslationTables& Current() {
  Tables& shared = Shared();
  std::call_once(shared.once, [&] { shared.tables = BuildFromPlatform(); });
  return shared.tables;
}

}  // namespace

TTranslationTables BuildTranslationTablesFrom(const std::array<int, 256>& ansi_to_oem,
                                              const std::array<int, 256>& oem_to_ansi) {
  TTranslationTables out;
  TTranslationTable& a = out.ansi_to_oem;
  std::array<bool, 256> used{};  // bytes occurring in a[33..255]
  for (int c = 0; c <= 32; ++c) a[c] = static_cast<uint8_t>(c);
  // Keep the platform's mapping where it survives the round trip.
  for (int c = 33; c <= 255; ++c) {
    const int o = ansi_to_oem[c];
    const int r = o >= 0 ? oem_to_ansi[o] : -1;
    a[c] = r == c ? static_cast<uint8_t>(o) : 0;
  }
  for (int c = 33; c <= 255; ++c) {
    if (a[c] != 0) used[a[c]] = true;
  }
  // A byte without a faithful image maps to itself when that image is free.
  for (int c = 33; c <= 255; ++c) {
    if (a[c] == 0 && !used[c]) {
      a[c] = static_cast<uint8_t>(c);
      used[c] = true;
    }
  }
  // The rest take the smallest free bytes from 33 up.
  int next_free = 33;
  for (int c = 33; c <= 255; ++c) {
    if (a[c] != 0) continue;
    while (next_free <= 255 && used[next_free]) ++next_free;
    if (next_free > 255) break;
    a[c] = static_cast<uint8_t>(next_free);
    used[next_free] = true;
  }
  TTranslationTable& b = out.oem_to_ansi;
  for (int j = 0; j <= 255; ++j) b[j] = static_cast<uint8_t>(j);
  std::array<bool, 256> found{};
  for (int i = 0; i <= 255; ++i) {
    const int j = a[i];
    if (j >= 33 && !found[j]) {
      b[j] = static_cast<uint8_t>(i);
      found[j] = true;
    }
  }
  return out;
}

void BuildTranslationTables() { Current(); }

const TTranslationTable& AnsiToOemTable() { return Current().ansi_to_oem; }

const TTranslationTable& OemToAnsiTable() { return Current().oem_to_ansi; }

void ToOemInPlace(char* text, size_t length) {
  const TTranslationTable& table = AnsiToOemTable();
  for (size_t i = 0; i < length; ++i) {
    text[i] = static_cast<char>(table[static_cast<unsigned char>(text[i])]);
  }
}

void FromOemInPlace(char* text, size_t length) {
  const TTranslationTable& table = OemToAnsiTable();
  for (size_t i = 0; i < length; ++i) {
    text[i] = static_cast<char>(table[static_cast<unsigned char>(text[i])]);
  }
}

std::string ToOem(std::string_view text) {
  std::string out(text);
  ToOemInPlace(out.data(), out.size());
  return out;
}

std::string FromOem(std::string_view text) {
  std::string out(text);
  FromOemInPlace(out.data(), out.size());
  return out;
}

}  // namespace zakaz::dbf
