#include "settings/cp1251.h"

#include <gtest/gtest.h>

namespace zakaz {
namespace {

struct CodePageCase {
  const char* utf8;
  const char* cp1251;
};

constexpr CodePageCase kBothWays[] = {
    {"", ""},
    {"price", "price"},
    {"Аптека №1", "\xC0\xEF\xF2\xE5\xEA\xE0 \xB9\x31"},
    {"ЁЯёя", "\xA8\xDF\xB8\xFF"},
    {"«Бриолан» — €", "\xAB\xC1\xF0\xE8\xEE\xEB\xE0\xED\xBB \x97 \x88"},
};

TEST(Cp1251, ConvertsBothWays) {
  for (const auto& c : kBothWays) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(c.cp1251, Utf8ToCp1251(c.utf8));
    EXPECT_EQ(c.utf8, Cp1251ToUtf8(c.cp1251));
  }
}

TEST(Cp1251, ReplacesWhatCannotBeConvertedWithOneQuestionMarkEach) {
  // Octal escapes, because a hexadecimal one would swallow the letter after it.
  const CodePageCase to_cp1251[] = {
      {"a漢b", "a?b"},          // not in the code page
      {"x😀y", "x?y"},          // four-byte character
      {"a\377b", "a?b"},       // not UTF-8 at all
      {"end\320", "end?"},     // sequence cut off at the end
      {"\342\202z", "?z"},     // sequence cut off in the middle
  };
  for (const auto& c : to_cp1251) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(c.cp1251, Utf8ToCp1251(c.utf8));
  }
  // 0x98 is the one byte Windows-1251 leaves undefined.
  EXPECT_EQ("a?b", Cp1251ToUtf8("a\230b"));
}

}  // namespace
}  // namespace zakaz
