// Number text and day numbers, the value forms the engine stores and hands
// over, independent of any locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "dbf/base/julian_day.h"
#include "dbf/base/number_text.h"

namespace zakaz::dbf {
namespace {

TEST(ParseDecimal, ReadsDecimalLiterals) {
  struct Case {
    const char* text;
    double value;
  };
  constexpr Case kGood[] = {
      {"5", 5},
      {"  -3", -3},
      {"+7", 7},
      {"12.50", 12.5},
      {".5", 0.5},
      {"5.", 5},
      {"-0.001", -0.001},
      {"1e3", 1000},
      {"1.5E-2", 0.015},
      {"2e+2 ", 200},
      {"0000012", 12},
      {"123456789012345678901234", 1.2345678901234568e23},
      {"0.1", 0.1},
      {"9007199254740993", 9007199254740992},
      {"1e400", HUGE_VAL},
      {"1e-400", 0},
      {"-1e400", -HUGE_VAL},
      {"5.e3", 5000},
      {".5e1", 5},
      {"1.5e300", 1.5e300},
      {"0.000000000000000000000000001", 1e-27},
  };
  for (const Case& c : kGood) {
    SCOPED_TRACE(c.text);
    double value = -1;
    ASSERT_TRUE(ParseDecimal(c.text, &value));
    EXPECT_EQ(c.value, value);
  }
  for (const char* bad : {"", "   ", "1,5", "abc", "1e", "e5", "--1", "+-1", "1 2", ".", "-",
                          "0x10", "inf", "nan", "1.2.3", "1e5.5", "١"}) {
    SCOPED_TRACE(bad);
    double value = 42;
    EXPECT_FALSE(ParseDecimal(bad, &value));
    EXPECT_EQ(42, value);
  }
}

TEST(ParseLocaleNumber, TakesACommaOrAFullStop) {
  double value = 0;
  EXPECT_TRUE(ParseLocaleNumber("1,5", &value));
  EXPECT_EQ(1.5, value);
  EXPECT_TRUE(ParseLocaleNumber("-2.25", &value));
  EXPECT_EQ(-2.25, value);
  EXPECT_TRUE(ParseLocaleNumber("1,5e3", &value));
  EXPECT_EQ(1500, value);
  EXPECT_FALSE(ParseLocaleNumber("1,5,0", &value));
  EXPECT_FALSE(ParseLocaleNumber("1 000", &value));
}

TEST(FormatFixed, WritesExactlyTheAskedDecimals) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  constexpr Case kCases[] = {
      {5, 0, "5"},
      {-3, 0, "-3"},
      {12.5, 2, "12.50"},
      {0, 2, "0.00"},
      {0.125, 2, "0.13"},
      {2.675, 2, "2.68"},
      {2.5, 0, "3"},
      {-2.5, 0, "-3"},
      {0.5, 0, "1"},
      {0.45, 1, "0.5"},
      {-0.001, 2, "0.00"},
      {-0.0, 0, "0"},
      {9.995, 2, "10.00"},
      {99999.5, 0, "100000"},
      {1e15, 2, "1000000000000000.00"},
      {123.456, 5, "123.45600"},
      {1e-7, 3, "0.000"},
      {HUGE_VAL, 2, "inf"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.text, FormatFixed(c.value, c.decimals));
  }
}

TEST(NumberText, IgnoresTheProcessLocale) {
  // Whatever locale the process runs in (a comma-decimal one where it is
  // installed), the file's numbers keep their full stop.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  for (const char* name : {"ru_RU.UTF-8", "de_DE.UTF-8", "C.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) == nullptr) continue;
    SCOPED_TRACE(name);
    EXPECT_EQ("12.50", FormatFixed(12.5, 2));
    double value = 0;
    EXPECT_TRUE(ParseDecimal("12.5", &value));
    EXPECT_EQ(12.5, value);
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(JulianDay, CountsDaysFromTheUsualEpoch) {
  EXPECT_EQ(2444240, JulianDayOf(1980, 1, 1));
  EXPECT_EQ(kJulianDay18991230, JulianDayOf(1899, 12, 30));
  EXPECT_EQ(2451545, JulianDayOf(2000, 1, 1));
  for (int day = JulianDayOf(1899, 1, 1); day < JulianDayOf(2101, 1, 1); day += 17) {
    const TCalendarDate date = DateOfJulianDay(day);
    ASSERT_TRUE(IsValidDate(date.year, date.month, date.day)) << day;
    ASSERT_EQ(day, JulianDayOf(date.year, date.month, date.day));
  }
  EXPECT_TRUE(IsValidDate(2024, 2, 29));
  EXPECT_FALSE(IsValidDate(2023, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(2024, 13, 1));
  EXPECT_FALSE(IsValidDate(2024, 4, 31));
}

TEST(JulianDay, StoredAndShortForms) {
  EXPECT_EQ("19800101", StoredDate(2444240));
  EXPECT_EQ("        ", StoredDate(0));
  EXPECT_EQ("        ", StoredDate(-5));
  EXPECT_EQ(2444240, JulianDayFromStored("19800101"));
  for (const char* none : {"00000000", "20241301", "2024011", "2024-1-1", "        ", ""}) {
    SCOPED_TRACE(none);
    EXPECT_EQ(0, JulianDayFromStored(none));
  }
  EXPECT_EQ("05.03.2024", ShortDateText(JulianDayOf(2024, 3, 5)));
  EXPECT_EQ("", ShortDateText(0));
  struct Case {
    const char* text;
    int day;  // 0: not a date
  };
  const Case cases[] = {
      {"05.03.2024", JulianDayOf(2024, 3, 5)},
      {"5.3.2024", JulianDayOf(2024, 3, 5)},
      {" 5.3.24 ", JulianDayOf(2024, 3, 5)},
      {"1.1.99", JulianDayOf(1999, 1, 1)},
      {"31.04.2024", 0},
      {"5/3/2024", 0},
      {"5.3.", 0},
      {"5.3.202", 0},
      {"a.b.cccc", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int day = 0;
    EXPECT_EQ(c.day != 0, ParseShortDate(c.text, &day));
    if (c.day != 0) {
      EXPECT_EQ(c.day, day);
    }
  }
}

}  // namespace
}  // namespace zakaz::dbf
