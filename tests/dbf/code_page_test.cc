// The ANSI/OEM translation tables: the building rules on chosen inputs, and
// the tables built from the platform's Windows-1251 and CP866 conversions.
#include "dbf/table/code_page.h"

#include <gtest/gtest.h>

#include <set>

namespace zakaz::dbf {
namespace {

std::array<int, 256> NoConversion() {
  std::array<int, 256> none;
  none.fill(-1);
  return none;
}

TEST(BuildTranslationTablesFrom, KeepsRoundTripsAndGivesEveryOtherByteAFreeImage) {
  auto to_oem = NoConversion();
  auto to_ansi = NoConversion();
  // 65 goes to 66 and back: kept. 66 has no conversion and its own byte is
  // taken by 65, so it gets the smallest free byte, 65. 200 goes to 100 but
  // 100 comes back as 50: no faithful round trip, so 200 keeps itself.
  to_oem[65] = 66;
  to_ansi[66] = 65;
  to_oem[200] = 100;
  to_ansi[100] = 50;
  // Bytes below 33 never change, whatever the platform says.
  to_oem[10] = 200;
  to_ansi[200] = 10;
  const TTranslationTables t = BuildTranslationTablesFrom(to_oem, to_ansi);
  EXPECT_EQ(66, t.ansi_to_oem[65]);
  EXPECT_EQ(65, t.ansi_to_oem[66]);
  EXPECT_EQ(200, t.ansi_to_oem[200]);
  EXPECT_EQ(100, t.ansi_to_oem[100]);
  EXPECT_EQ(10, t.ansi_to_oem[10]);
  EXPECT_EQ(65, t.oem_to_ansi[66]);
  EXPECT_EQ(66, t.oem_to_ansi[65]);
  EXPECT_EQ(10, t.oem_to_ansi[10]);
}

TEST(BuildTranslationTablesFrom, FillsLeftoversFromThirtyThreeUpInAscendingOrder) {
  auto to_oem = NoConversion();
  auto to_ansi = NoConversion();
  // 50 and 51 both faithfully map elsewhere, taking 33 and 34; 33 and 34
  // themselves then find their own bytes taken and take the free 50 and 51.
  to_oem[50] = 33;
  to_ansi[33] = 50;
  to_oem[51] = 34;
  to_ansi[34] = 51;
  const TTranslationTables t = BuildTranslationTablesFrom(to_oem, to_ansi);
  EXPECT_EQ(50, t.ansi_to_oem[33]);
  EXPECT_EQ(51, t.ansi_to_oem[34]);
  EXPECT_EQ(35, t.ansi_to_oem[35]);
  for (int c = 0; c < 256; ++c) EXPECT_EQ(c, t.oem_to_ansi[t.ansi_to_oem[c]]) << c;
}

TEST(TranslationTables, MapCyrillicBetweenTheCodePagesAndLeaveAsciiAlone) {
  BuildTranslationTables();
  const TTranslationTable& a = AnsiToOemTable();
  const TTranslationTable& b = OemToAnsiTable();
  EXPECT_EQ(0x80, a[0xC0]);  // А
  EXPECT_EQ(0xEF, a[0xFF]);  // я
  EXPECT_EQ(0xF0, a[0xA8]);  // Ё
  EXPECT_EQ(0xA0, a[0xE0]);  // а
  EXPECT_EQ(0xE0, a[0xF0]);  // р
  EXPECT_EQ(0xC0, b[0x80]);
  for (int c = 0; c < 128; ++c) EXPECT_EQ(c, a[c]) << c;

  // Lossless: distinct images, and the way back returns every byte.
  std::set<int> images(a.begin() + 33, a.end());
  EXPECT_EQ(223u, images.size());
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(all, FromOem(ToOem(all)));
  for (int c = 0; c < 256; ++c) EXPECT_EQ(c, b[a[c]]) << c;
}

TEST(TranslationTables, ConvertUtf8ThroughBothCodePages) {
  const std::string utf8 = "Аспирин №10, ёлка";
  const std::string oem = Utf8ToCp866(utf8);
  EXPECT_EQ(std::string("\x80\xE1\xAF\xA8\xE0\xA8\xAD", 7), oem.substr(0, 7));
  EXPECT_EQ(utf8, Cp866ToUtf8(oem));
  const std::string ansi = Utf8ToCp1251(utf8);
  EXPECT_EQ(oem, ToOem(ansi));
  EXPECT_EQ(ansi, FromOem(oem));
  EXPECT_EQ(utf8, Cp1251ToUtf8(ansi));
  EXPECT_EQ("a?b", Utf8ToCp866("a\xE2\x82\xAC"
                               "b"));  // the euro sign is not in CP866
}

}  // namespace
}  // namespace zakaz::dbf
