#include "ordering/price_display.h"

#include <gtest/gtest.h>

#include "common/formats.h"

namespace zakaz {
namespace {

std::string DateAfter(const LocalDateTime& today, int days) {
  std::time_t t = ToTimeT(today) + static_cast<std::time_t>(days) * 86400 + 12 * 3600;
  return FormatDate(ToLocalDateTime(t));
}

TEST(ExpiryColour, ShortExpiryRedVitalDrugsBlue) {
  LocalDateTime today;
  today.year = 2026;
  today.month = 12;
  today.day = 10;
  struct Case {
    std::string srok;
    long long flag;
    RowColour expected;
    const char* why;
  };
  const Case kCases[] = {
      {DateAfter(today, 180), 0, RowColour::kDefault, "exactly 180 days"},
      {DateAfter(today, 179), 0, RowColour::kRed, "179 days"},
      {DateAfter(today, 0), 0, RowColour::kRed, "today"},
      {DateAfter(today, -1), 0, RowColour::kRed, "yesterday"},
      {DateAfter(today, 2000), 0, RowColour::kDefault, "years ahead"},
      {"", 0, RowColour::kDefault, "empty"},
      {"          ", 0, RowColour::kDefault, "blanks"},
      {"31.02.2026", 0, RowColour::kDefault, "not a date"},
      {"годен", 0, RowColour::kDefault, "text"},
      {DateAfter(today, 10), 1, RowColour::kBlue, "vital drug with short expiry"},
      {DateAfter(today, 1000), 1, RowColour::kBlue, "vital drug"},
      {"", 1, RowColour::kBlue, "vital drug without expiry"},
      {DateAfter(today, 10), 2, RowColour::kRed, "flag other than 1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.why) + " " + c.srok);
    EXPECT_EQ(c.expected, ExpiryColour(c.srok, c.flag, today));
  }
}

TEST(CurrencySum, RoundsEachValueToFourPlaces) {
  CurrencySum sum;
  for (int i = 0; i < 10; ++i) sum.Add(0.1);
  EXPECT_EQ(1.0, sum.Value());
  sum.Add(2.00004);
  sum.Add(2.00005);
  EXPECT_DOUBLE_EQ(5.0001, sum.Value());
  sum.Subtract(2.00005);
  sum.Subtract(2.00004);
  EXPECT_EQ(1.0, sum.Value());
  sum.Clear();
  EXPECT_EQ(0.0, sum.Value());
}

}  // namespace
}  // namespace zakaz
