#include "dbf/table/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace zakaz::dbf {
namespace {

// One iconv conversion descriptor, closed when it goes out of scope.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (Valid()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `text`; every input sequence the target lacks (or that is not
  // valid input) becomes `replacement` and the conversion goes on.
  std::string Convert(std::string_view text, std::string_view replacement) {
    std::string out;
    if (!Valid()) return out;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(text.size() * 4 + 16);
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char* dst = out.data();
    size_t out_left = out.size();
    while (in_left > 0) {
      if (::iconv(cd_, &in, &in_left, &dst, &out_left) != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        const size_t used = out.size() - out_left;
        out.resize(out.size() * 2);
        dst = out.data() + used;
        out_left = out.size() - used;
        continue;
      }
      // EILSEQ or EINVAL: skip one input byte (UTF-8 input: the whole
      // sequence) and put the replacement.
      size_t skip = 1;
      const auto lead = static_cast<unsigned char>(*in);
      if (lead >= 0xC0 && lead < 0xE0) skip = 2;
      else if (lead >= 0xE0 && lead < 0xF0) skip = 3;
      else if (lead >= 0xF0 && lead < 0xF8) skip = 4;
      skip = std::min(skip, in_left);
      in += skip;
      in_left -= skip;
      if (out_left < replacement.size() + 1) {
        const size_t used = out.size() - out_left;
        out.resize(out.size() * 2 + replacement.size());
        dst = out.data() + used;
        out_left = out.size() - used;
      }
      for (char c : replacement) {
        *dst++ = c;
        --out_left;
      }
    }
    out.resize(out.size() - out_left);
    return out;
  }

  // The single byte `c` converts to, or -1.
  int ConvertByte(unsigned char c) {
    if (!Valid()) return -1;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char input = static_cast<char>(c);
    char output[8];
    char* in = &input;
    size_t in_left = 1;
    char* dst = output;
    size_t out_left = sizeof output;
    if (::iconv(cd_, &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1)) return -1;
    if (sizeof output - out_left != 1) return -1;
    return static_cast<unsigned char>(output[0]);
  }

 private:
  iconv_t cd_;
};

struct Tables {
  std::once_flag once;
  TTranslationTables tables;
};

Tables& Shared() {
  static Tables shared;
  return shared;
}

TTranslationTables BuildFromPlatform() {
  Converter to_oem("CP866", "CP1251");
  Converter to_ansi("CP1251", "CP866");
  std::array<int, 256> ansi_to_oem{};
  std::array<int, 256> oem_to_ansi{};
  for (int c = 0; c < 256; ++c) {
    ansi_to_oem[c] = to_oem.ConvertByte(static_cast<unsigned char>(c));
    oem_to_ansi[c] = to_ansi.ConvertByte(static_cast<unsigned char>(c));
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

std::string Utf8ToCp866(std::string_view text) {
  return Converter("CP866", "UTF-8").Convert(text, "?");
}

std::string Cp866ToUtf8(std::string_view text) {
  return Converter("UTF-8", "CP866").Convert(text, "?");
}

std::string Utf8ToCp1251(std::string_view text) {
  return Converter("CP1251", "UTF-8").Convert(text, "?");
}

std::string Cp1251ToUtf8(std::string_view text) {
  return Converter("UTF-8", "CP1251").Convert(text, "?");
}

}  // namespace zakaz::dbf
