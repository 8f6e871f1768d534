#include "common/ascii_text.h"

#include <gtest/gtest.h>

namespace zakaz {
namespace {

// Each trim removes exactly the bytes its name says, from the ends only.
TEST(AsciiText, EachTrimRemovesItsOwnBlanks) {
  const std::string_view text = "\t\r \x01 a b \x01 \r\t";
  EXPECT_EQ("a b", TrimSpaceOrControl(text));
  EXPECT_EQ("a b \x01 \r\t", TrimStartSpaceOrControl(text));
  EXPECT_EQ("\t\r \x01 a b", TrimEndSpaceOrControl(text));
  EXPECT_EQ("x  ", TrimStartSpaces("  x  "));
  EXPECT_EQ("\t x \t", TrimEndSpaces("\t x \t  "));
  EXPECT_EQ("\r1,5\r", TrimSpacesAndTabs(" \t\r1,5\r\t "));
  EXPECT_EQ("\x01v\x01", TrimLineBlanks(" \t\r\x01v\x01\r\t "));
  EXPECT_EQ("v \r", TrimStartLineBlanks("\r\t v \r"));
  EXPECT_EQ("", TrimSpaceOrControl(" \n "));
}

TEST(AsciiText, OnlyAsciiLettersChangeCase) {
  EXPECT_EQ("PRICE.DBF \xE0\xFF", AsciiUpper("price.Dbf \xE0\xFF"));
  EXPECT_TRUE(EqualIgnoringAsciiCase("Quant", "qUANT"));
  EXPECT_FALSE(EqualIgnoringAsciiCase("\xE0", "\xC0"));
  EXPECT_FALSE(EqualIgnoringAsciiCase("QUANT", "QUAN"));
  EXPECT_TRUE(StartsWithIgnoringAsciiCase("not x", "NOT"));
  EXPECT_FALSE(StartsWithIgnoringAsciiCase("no", "NOT"));
}

}  // namespace
}  // namespace zakaz
