#include "common/formats.h"

#include <gtest/gtest.h>

#include <limits>

namespace zakaz {
namespace {

LocalDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  LocalDateTime v;
  v.year = y;
  v.month = mo;
  v.day = d;
  v.hour = h;
  v.minute = mi;
  v.second = s;
  return v;
}

TEST(Formats, DatesAndTimes) {
  const LocalDateTime t = At(2009, 3, 5, 14, 22, 10);
  EXPECT_EQ("05.03.2009", FormatDate(t));
  EXPECT_EQ("14:22", FormatShortTime(t));
  EXPECT_EQ("14:22:10", FormatLongTime(t));
  EXPECT_EQ("30.12.1899", FormatDate(LocalDateTime{}));
}

TEST(Formats, DateTimeOmitsOnlyExactMidnight) {
  struct Case {
    LocalDateTime value;
    const char* expected;
  };
  const Case kCases[] = {
      {At(2009, 3, 5, 14, 22, 10), "05.03.2009 14:22:10"},
      {At(2009, 3, 5), "05.03.2009"},
      {At(2009, 3, 5, 0, 0, 1), "05.03.2009 00:00:01"},
      {At(2009, 3, 5, 0, 1, 0), "05.03.2009 00:01:00"},
      {At(2026, 12, 31, 23, 59, 59), "31.12.2026 23:59:59"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.expected, FormatDateTime(c.value));
  }
}

TEST(Formats, ParsesShortDates) {
  const LocalDateTime today = At(2026, 12, 10);
  struct Case {
    const char* text;
    std::optional<LocalDateTime> expected;
  };
  const Case kCases[] = {
      {"05.03.2009", At(2009, 3, 5)},
      {" 5.3.2009 ", At(2009, 3, 5)},
      {"29.02.2024", At(2024, 2, 29)},
      {"01.01.27", At(2027, 1, 1)},
      {"01.01.77", At(1977, 1, 1)},
      {"01.01.76", At(1976, 1, 1)},
      {"01.01.75", At(2075, 1, 1)},
      {"29.02.2025", std::nullopt},
      {"31.04.2026", std::nullopt},
      {"00.01.2026", std::nullopt},
      {"01.13.2026", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"2026-01-01", std::nullopt},
      {"01.01.202", std::nullopt},
      {"01.01.20261", std::nullopt},
      {"01/01/2026", std::nullopt},
      {"01.01.2026x", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, ParseDate(c.text, today));
  }
}

TEST(Formats, DayNumbersCountFromTheEpoch) {
  EXPECT_EQ(0, DayNumber(At(1899, 12, 30)));
  EXPECT_EQ(2, DayNumber(At(1900, 1, 1)));
  EXPECT_EQ(39877, DayNumber(At(2009, 3, 5)));
  EXPECT_EQ(366, DayNumber(At(2025, 1, 1)) - DayNumber(At(2024, 1, 1)));
}

TEST(Formats, LocalTimeRoundTrip) {
  const LocalDateTime t = At(2026, 7, 14, 9, 5, 58);
  EXPECT_EQ(t, ToLocalDateTime(ToTimeT(t)));
}

TEST(Formats, GeneralNumberFormat) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case kCases[] = {
      {0, "0"},
      {-0.0, "0"},
      {12, "12"},
      {12.5, "12,5"},
      {-3.25, "-3,25"},
      {0.1, "0,1"},
      {0.1 + 0.2, "0,3"},
      {123456.78, "123456,78"},
      {1234567890123.45, "1234567890123,45"},
      {100000000000000, "100000000000000"},
      {1e15, "1E15"},
      {1.5e20, "1,5E20"},
      {0.0001, "0,0001"},
      {1e-7, "1E-7"},
      {2.0 / 3.0, "0,666666666666667"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.expected, FormatFloat(c.value));
  }
}

TEST(Formats, Integers) {
  EXPECT_EQ("1234567", FormatInteger(1234567));
  EXPECT_EQ("-5", FormatInteger(-5));
  struct Case {
    long long value;
    const char* expected;
  };
  const Case kGrouped[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1 000"},
      {1234567, "1 234 567"},
      {-1234567, "-1 234 567"},
      {std::numeric_limits<long long>::min(), "-9 223 372 036 854 775 808"},
  };
  for (const auto& c : kGrouped) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.expected, FormatIntegerGrouped(c.value));
  }
}

TEST(Formats, QuantityFormatHidesZeroAndMarksNegatives) {
  EXPECT_EQ("7", FormatQuantity(7));
  EXPECT_EQ(" ", FormatQuantity(0));
  EXPECT_EQ("?", FormatQuantity(-3));
}

TEST(Formats, ParsesNumbersWithEitherSeparator) {
  struct Case {
    const char* text;
    std::optional<double> expected;
  };
  const Case kCases[] = {
      {"12,5", 12.5},
      {"12.5", 12.5},
      {" 7 ", 7},
      {"+3", 3},
      {"-3", -3},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"+-3", std::nullopt},
      {"1,2,3", std::nullopt},
      {"12a", std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, ParseFloat(c.text));
  }
}

}  // namespace
}  // namespace zakaz
