// The column layer: reading and writing values by number and by name, their
// stored forms, and the failures with their exact texts.
#include "dbf/table/dbf_columns.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dbf/base/errors.h"
#include "dbf/base/julian_day.h"
#include "support/temp_dir.h"
#include "table_bytes.h"

namespace zakaz::dbf {
namespace {

using testing::Col;
using testing::Left;
using testing::Right;
using ::testing::StartsWith;
using ::testing::StrEq;
using testing::TableBytes;
using ::testing::ThrowsMessage;
using testing::WriteFile;

// One record holding every kind of column the tests need; column numbers:
// 1 NAME C(5), 2 QUANT N(5,0), 3 PRICE N(10,2), 4 D D(8), 5 L L(1),
// 6 F F(6,1), 7 LONG C(300), 8 TINY N(3,2).
const std::vector<Col> kColumns = {{"NAME", 'C', 5},   {"QUANT", 'N', 5},  {"PRICE", 'N', 10, 2},
                                   {"D", 'D', 8},      {"L", 'L', 1},      {"F", 'F', 6, 1},
                                   {"LONG", 'C', 300}, {"TINY", 'N', 3, 2}};

std::string Record(const std::string& name, const std::string& quant, const std::string& price,
                   const std::string& date, const std::string& logical) {
  return " " + Left(name, 5) + Right(quant, 5) + Right(price, 10) + Left(date, 8) +
         Left(logical, 1) + Right("", 6) + Left("", 300) + Right("", 3);
}

class DbfColumnsTest : public ::testing::Test {
 protected:
  // Opens price.DBF holding `record` as its only record, positioned on it.
  TDbfColumns& Open(const std::string& record) {
    path_ = dir_.File("price.DBF");
    table_.reset();
    WriteFile(path_, TableBytes(kColumns, {record}));
    table_ = std::make_unique<TDbfColumns>(path_, false, true);
    table_->GotoRecord(1);
    return *table_;
  }
  TDbfColumns& Open() { return Open(Record("ABC", "", "", "", "")); }

  zakaz::testing::TempDir dir_;
  std::string path_;
  std::unique_ptr<TDbfColumns> table_;
};

TEST_F(DbfColumnsTest, DescribesColumnsAndFindsThemIgnoringCase) {
  TDbfColumns& t = Open();
  EXPECT_EQ(8, t.FieldCount());
  EXPECT_EQ("PRICE", t.FieldName(3));
  EXPECT_EQ('N', t.FieldType(3));
  EXPECT_EQ(10, t.FieldWidth(3));
  EXPECT_EQ(2, t.FieldDecimals(3));
  EXPECT_EQ(11, t.FieldOffset(3));
  EXPECT_EQ(300, t.FieldWidth(7));
  EXPECT_EQ(0, t.FieldDecimals(7));  // the high width byte is no decimal count
  EXPECT_EQ("", t.FieldName(9));
  EXPECT_EQ(0, t.FieldWidth(0));

  EXPECT_EQ(2, t.FindField("quant").number);
  EXPECT_EQ(2, t.FindField("Quant  ").number);
  EXPECT_EQ(3, t.FieldNumber("price"));
  EXPECT_EQ(0, t.FieldNumber("NOPE"));
  EXPECT_THAT([&] { t.FindField("NOPE"); },
              ThrowsMessage<ETableError>(StrEq("There is no field name " + path_ + "->NOPE")));
}

TEST_F(DbfColumnsTest, ReadsValuesByType) {
  struct Case {
    const char* what;
    std::string record;
    int column;
    const char* string;  // GetString
    double number;       // GetNumber (numeric columns only)
  };
  const Case cases[] = {
      {"C keeps leading blanks, drops trailing", Record(" AB", "", "", "", ""), 1, " AB", 0},
      {"blank C is empty", Record("", "", "", "", ""), 1, "", 0},
      {"N", Record("", "5", "", "", ""), 2, "5", 5},
      {"negative N", Record("", "-3", "", "", ""), 2, "-3", -3},
      {"blank N reads as 0", Record("", "", "", "", ""), 2, "0", 0},
      {"blank N(10,2) reads as 0.00", Record("", "", "", "", ""), 3, "0.00", 0},
      {"decimals", Record("", "", "-1234.56", "", ""), 3, "-1234.56", -1234.56},
      {"sign and exponent", Record("", "", "+1.5e3", "", ""), 3, "+1.5e3", 1500},
      {"left-aligned number", Record("", "", "12.5      ", "", ""), 3, "12.5", 12.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDbfColumns& t = Open(c.record);
    EXPECT_EQ(c.string, t.GetString(c.column));
    if (t.FieldType(c.column) == 'N') {
      EXPECT_DOUBLE_EQ(c.number, t.GetNumber(c.column));
    }
  }
}

TEST_F(DbfColumnsTest, UnreadableNumbersNameTableColumnAndText) {
  for (const char* text : {"  1,5", "abc", "1e", "--1", "1 2", ".", "0x10", "inf"}) {
    SCOPED_TRACE(text);
    TDbfColumns& t = Open(Record("", text, "", "", ""));
    std::string trimmed = Right(text, 5);
    EXPECT_THAT([&] { t.GetNumber(2); },
                ThrowsMessage<ETableError>(
                    StrEq("Invalid numeric value in field price->QUANT (" + trimmed + ")")));
  }
}

TEST_F(DbfColumnsTest, AsterisksAloneAreAnUnsetNumber) {
  struct Case {
    const char* text;
    bool unset;
  };
  const Case cases[] = {{"*****", true},  {"  ***", true}, {"*", true},    {"", false},
                        {"    0", false}, {"12*", false},  {"*1*", false}, {"* *", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TDbfColumns& t = Open(Record("*****", c.text, "", "", ""));
    EXPECT_EQ(c.unset, t.IsUnsetNumber(2));
    EXPECT_FALSE(t.IsUnsetNumber(1)) << "a text column holds text";
    if (c.unset) {
      EXPECT_EQ(0, t.GetNumber(2));
    } else if (std::string_view(c.text).find('*') != std::string_view::npos) {
      EXPECT_THAT(
          [&] { t.GetNumber(2); },
          ThrowsMessage<ETableError>(StartsWith("Invalid numeric value in field price->QUANT (")));
    }
  }
}

TEST_F(DbfColumnsTest, PutNumberStoresTheWrittenForm) {
  struct Case {
    int column;
    double value;
    const char* stored;
  };
  const Case cases[] = {
      {2, 5, "    5"},
      {2, -3, "   -3"},
      {2, 99999, "99999"},
      {2, 0, "    0"},
      {2, 2.5, "    3"},
      {2, -2.5, "   -3"},
      {2, 0.4, "    0"},
      {2, -0.4, "    0"},
      {3, 12.5, "     12.50"},
      {3, 0.125, "      0.13"},
      {3, 2.675, "      2.68"},
      {3, -0.001, "      0.00"},
      {3, 1234567.891, "1234567.89"},
      {6, -7.25, "  -7.3"},
      {3, 1e-300, "      0.00"},
  };
  TDbfColumns& t = Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    t.PutNumber(c.column, c.value);
    EXPECT_EQ(c.stored, t.GetText(c.column));
  }
}

TEST_F(DbfColumnsTest, FailedPutsLeaveTheColumnAsItWas) {
  TDbfColumns& t = Open(Record("ABC", "12", "", "", ""));
  const auto keeps = [&](auto put, const std::string& message, int column) {
    const std::string before = t.GetText(column);
    EXPECT_THAT(put, ThrowsMessage<ETableError>(StrEq(message)));
    EXPECT_EQ(before, t.GetText(column));
  };
  keeps([&] { t.PutNumber(2, 123456); }, "numeric value too big in field QUANT - 123456", 2);
  keeps([&] { t.PutNumber(2, 100000); }, "numeric value too big in field QUANT - 100000", 2);
  keeps([&] { t.PutNumber(2, -10000); }, "numeric value too big in field QUANT - -10000", 2);
  keeps([&] { t.PutNumber(3, 1e12); }, "numeric value too big in field PRICE - 1000000000000.00",
        3);
  keeps([&] { t.PutNumber(2, std::nan("")); }, "numeric value too big in field QUANT - nan", 2);
  keeps([&] { t.PutNumber(1, 1); }, "Field NAME is the incorrect type", 1);
  keeps([&] { t.PutNumber("name", 1); }, "Field name is the incorrect type", 1);
  keeps([&] { t.PutLogical(1, true); }, "Invalid Logical value for field NAME", 1);
  keeps([&] { t.PutDate(4, -1); }, "Invalid Date value for field D", 4);
  keeps([&] { t.PutString(2, "12a"); }, "Invalid Number value for field QUANT", 2);
  keeps([&] { t.PutString(5, "?"); }, "Invalid Logical value for field L", 5);
  keeps([&] { t.GetNumber("NAME"); }, "Field NAME is the incorrect type", 1);
  keeps([&] { t.GetDate("quant"); }, "Field quant is the incorrect type", 2);
  keeps([&] { t.GetLogical("D"); }, "Field D is the incorrect type", 4);
}

TEST_F(DbfColumnsTest, PutTextCutsAtTheWidthAndAlignsByType) {
  TDbfColumns& t = Open();
  t.PutText(1, "ABCDEFGH");
  EXPECT_EQ("ABCDE", t.GetText(1));
  t.PutText(2, "ABCDEFGH");
  EXPECT_EQ("ABCDE", t.GetText(2));
  t.PutText(2, "7");
  EXPECT_EQ("    7", t.GetText(2));
  t.PutText(1, "ab");
  EXPECT_EQ("ab   ", t.GetText(1));
  t.PutText("long", std::string(301, 'x'));
  EXPECT_EQ(std::string(300, 'x'), t.GetText(7));
  EXPECT_EQ(std::string(300, 'x'), t.GetString("LONG"));
  EXPECT_EQ(" ", t.GetText(8).substr(0, 1));  // the neighbour is untouched
}

TEST_F(DbfColumnsTest, DatesReadAsDayNumbersOrNothing) {
  struct Case {
    const char* stored;
    int day;             // GetDate
    const char* string;  // GetString
  };
  const Case cases[] = {
      {"19800101", 2444240, "01.01.1980"},
      {"20240229", JulianDayOf(2024, 2, 29), "29.02.2024"},
      {"00000000", 0, ""},
      {"", 0, ""},
      {"20241301", kJulianDay18991230, ""},  // month 13
      {"20230229", kJulianDay18991230, ""},
      {"1.2.2024", JulianDayOf(2024, 2, 1), ""},  // the short date form
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    TDbfColumns& t = Open(Record("", "", "", c.stored, ""));
    EXPECT_EQ(c.day, t.GetDate(4));
    EXPECT_EQ(c.day, t.GetDate("d"));
    EXPECT_EQ(c.string, t.GetString(4));
  }
  TDbfColumns& t = Open(Record("", "", "", "2024-1-1", ""));
  EXPECT_THAT([&] { t.GetDate(4); },
              ThrowsMessage<ETableError>(StrEq("Invalid date in field price->D (2024-1-1)")));
}

TEST_F(DbfColumnsTest, PutDateAndPutStringStoreDates) {
  TDbfColumns& t = Open();
  t.PutDate(4, 2444240);
  EXPECT_EQ("19800101", t.GetText(4));
  t.PutDate(4, 0);
  EXPECT_EQ("        ", t.GetText(4));
  t.PutDate(1, 2444240);  // not a date column: left alone
  EXPECT_EQ("ABC  ", t.GetText(1));
  t.PutString(4, "20240315");
  EXPECT_EQ("20240315", t.GetText(4));
  t.PutString(4, "5.3.2024");
  EXPECT_EQ("20240305", t.GetText(4));
  t.PutString(4, "00000000");
  EXPECT_EQ("        ", t.GetText(4));
  t.PutString(4, "20241301");  // an impossible stored date reads as 30.12.1899
  EXPECT_EQ("18991230", t.GetText(4));
  EXPECT_THAT([&] { t.PutString(4, "yesterday"); },
              ThrowsMessage<ETableError>(StrEq("'yesterday' is not a valid date")));
}

TEST_F(DbfColumnsTest, LogicalsReadFromTheirLetter) {
  for (const auto& [stored, value] : std::vector<std::pair<std::string, bool>>{{"T", true},
                                                                               {"t", true},
                                                                               {"Y", true},
                                                                               {"y", true},
                                                                               {"J", true},
                                                                               {"j", true},
                                                                               {"F", false},
                                                                               {"N", false},
                                                                               {"?", false},
                                                                               {" ", false}}) {
    SCOPED_TRACE(stored);
    TDbfColumns& t = Open(Record("", "", "", "", stored));
    EXPECT_EQ(value, t.GetLogical(5));
    EXPECT_EQ(value ? "T" : "F", t.GetString(5));
  }
  TDbfColumns& t = Open();
  for (const auto& [text, stored] : std::vector<std::pair<std::string, std::string>>{{"yes", "T"},
                                                                                     {"j", "T"},
                                                                                     {"no", "F"},
                                                                                     {"", "F"},
                                                                                     {"2", "T"},
                                                                                     {"0,5", "F"},
                                                                                     {"-1", "T"}}) {
    SCOPED_TRACE(text);
    t.PutString(5, text);
    EXPECT_EQ(stored, t.GetText(5));
  }
  t.PutLogical("l", false);
  EXPECT_EQ("F", t.GetText(5));
}

TEST_F(DbfColumnsTest, PutStringConvertsNumbersWrittenEitherWay) {
  TDbfColumns& t = Open();
  t.PutString(3, "12,5");
  EXPECT_EQ("     12.50", t.GetText(3));
  t.PutString(3, "-3.25  ");
  EXPECT_EQ("     -3.25", t.GetText(3));
  t.PutString(3, "");
  EXPECT_EQ("      0.00", t.GetText(3));
  t.PutString(1, "text");
  EXPECT_EQ("text ", t.GetText(1));
}

TEST_F(DbfColumnsTest, BlankRecordHoldsZeroInNumericColumns) {
  TDbfColumns& t = Open(Record("ABC", "12", "3", "20240101", "T"));
  t.BlankRecord();
  const std::string expected = " " + std::string(5, ' ') + "    0" + "      0.00" +
                               std::string(8, ' ') + " " + "   0.0" + std::string(300, ' ') +
                               "   ";  // 0.00 does not fit N(3,2): blank reads as 0 too
  EXPECT_EQ(expected, std::string(reinterpret_cast<const char*>(t.RecordBuffer()),
                                  static_cast<size_t>(t.RecordLength())));
  for (int n = 0; n <= t.FieldCount(); ++n) EXPECT_TRUE(t.ColumnChanged(n)) << n;
  EXPECT_TRUE(t.RecordChanged());
}

TEST_F(DbfColumnsTest, DeleteAndRecallWriteTheFlagOnlyWhenItChanges) {
  TDbfColumns& t = Open();
  int rewrites = 0;
  t.SetClock([&] {
    ++rewrites;
    return LocalNow();
  });
  t.DeleteRecord();
  t.DeleteRecord();
  EXPECT_EQ(1, rewrites);
  t.GotoRecord(1);
  EXPECT_TRUE(t.CurrentDeleted());
  t.RecallRecord();
  t.RecallRecord();
  EXPECT_EQ(2, rewrites);
  t.GotoRecord(1);
  EXPECT_FALSE(t.CurrentDeleted());
  EXPECT_EQ(1, t.RecordCount());
}

TEST_F(DbfColumnsTest, NumbersOutsideTheColumnsGiveEmptyResults) {
  TDbfColumns& t = Open();
  const std::string before(reinterpret_cast<const char*>(t.RecordBuffer()),
                           static_cast<size_t>(t.RecordLength()));
  for (int n : {0, -1, 9, 1000}) {
    SCOPED_TRACE(n);
    EXPECT_EQ("", t.GetText(n));
    EXPECT_EQ("", t.GetString(n));
    EXPECT_EQ(0, t.GetNumber(n));
    EXPECT_FALSE(t.GetLogical(n));
    EXPECT_EQ(0, t.GetDate(n));
    t.PutText(n, "x");
    t.PutNumber(n, 1);
    t.PutString(n, "1");
    t.PutLogical(n, true);
    t.PutDate(n, 2444240);
  }
  EXPECT_EQ(before, std::string(reinterpret_cast<const char*>(t.RecordBuffer()),
                                static_cast<size_t>(t.RecordLength())));
}

TEST_F(DbfColumnsTest, ExtendedVersionHoldsFixedSizeNumbers) {
  const std::vector<Col> columns = {{"I", 'I', 4}, {"B", 'B', 8}, {"Y", 'Y', 8}, {"T", 'T', 8}};
  const std::string path = dir_.File("x.dbf");
  WriteFile(path, TableBytes(columns, {std::string(29, ' ')}, 0x30));
  TDbfColumns t(path, false, true);
  t.BlankRecord();
  EXPECT_EQ(std::string(28, '\0'),
            std::string(reinterpret_cast<const char*>(t.RecordBuffer()) + 1, 28));
  t.PutNumber(1, -42);
  t.PutNumber(2, 3.25);
  t.PutNumber(3, 12.34567);
  t.PutNumber(4, 2444240.0 * 86400000.0 + 1500);
  t.AppendRecord();
  t.GotoRecord(2);
  EXPECT_EQ(-42, t.GetNumber(1));
  EXPECT_EQ(3.25, t.GetNumber(2));
  EXPECT_DOUBLE_EQ(12.3457, t.GetNumber(3));
  EXPECT_EQ(2444240.0 * 86400000.0 + 1500, t.GetNumber(4));
  EXPECT_EQ(std::string("\xD6\xFF\xFF\xFF", 4), t.GetText(1));
  EXPECT_THAT([&] { t.PutNumber(1, 3e9); },
              ThrowsMessage<ETableError>(StrEq("numeric value too big in field I - 3000000000")));
}

}  // namespace
}  // namespace zakaz::dbf
