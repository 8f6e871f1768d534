#include "common/code_page.h"

#include <gmock/gmock.h>
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
      {"a漢b", "a?b"},      // not in the code page
      {"x😀y", "x?y"},       // four-byte character
      {"a\377b", "a?b"},    // not UTF-8 at all
      {"end\320", "end?"},  // sequence cut off at the end
      {"\342\202z", "?z"},  // sequence cut off in the middle
  };
  for (const auto& c : to_cp1251) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(c.cp1251, Utf8ToCp1251(c.utf8));
  }
  // 0x98 is the one byte Windows-1251 leaves undefined.
  EXPECT_EQ("a?b", Cp1251ToUtf8("a\230b"));
}

TEST(Cp866, FollowsTheSamePolicy) {
  EXPECT_EQ("\x80\xAF\xE2", Utf8ToCp866("Апт"));
  EXPECT_EQ("Апт", Cp866ToUtf8("\x80\xAF\xE2"));
  // A cut-off sequence is one character: the "b" after it is kept.
  EXPECT_EQ("a?b", Utf8ToCp866("a\xE2\x82"
                               "b"));
  EXPECT_EQ("a??", Utf8ToCp866("a\xE2\x82\xAC\xFF"));
}

TEST(CodePageConverter, RefusesACodePageThePlatformLacks) {
  EXPECT_THAT([] { TCodePageConverter("NO-SUCH-PAGE", "UTF-8"); },
              testing::ThrowsMessage<std::runtime_error>(
                  testing::StrEq("No conversion from UTF-8 to NO-SUCH-PAGE")));
}

// One byte's code point, as UTF-8.
std::string W(unsigned char byte) {
  std::string out;
  AppendUtf8(out, Windows1251CodePoint(byte));
  return out;
}

TEST(Windows1251, TableCoversTheCyrillicRange) {
  EXPECT_EQ("А", W(0xC0));
  EXPECT_EQ("я", W(0xFF));
  EXPECT_EQ("Ё", W(0xA8));
  EXPECT_EQ("ё", W(0xB8));
  EXPECT_EQ("№", W(0xB9));
  EXPECT_EQ("€", W(0x88));
  EXPECT_EQ("\xef\xbf\xbd", W(0x98));
  EXPECT_EQ("A", W('A'));
}

}  // namespace
}  // namespace zakaz
