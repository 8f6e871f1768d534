// Tables the engine writes read back with the same values in an independent
// reader (Debian's python3-dbfread), and tables an independent writer makes
// (shapelib's dbfcreate/dbfadd) read with the same values in the engine.
// Both tools are part of the project's setup; these tests need them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <charconv>

#include "dbf/base/errors.h"
#include "dbf/base/julian_day.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_columns.h"
#include "sample_price_list.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "table_bytes.h"

namespace zakaz::dbf {
namespace {

using testing::Col;
using testing::Left;
using testing::ReadFile;
using testing::Right;
using ::testing::StrEq;
using testing::TableBytes;
using ::testing::ThrowsMessage;
using testing::U32At;
using testing::WriteFile;

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Runs a shell command; returns its standard output and sets `status`.
std::string RunShell(const std::string& command, int* status) {
  zakaz::testing::CommandResult result = zakaz::testing::RunCommand(command);
  *status = result.status;
  return result.out;
}

// The independent reader: every live record as "NAME=value|...", values as
// the reader decodes them (text from CP866), then the number of deleted ones.
constexpr char kReader[] = R"PY(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], encoding='cp866', char_decode_errors='strict')
for r in t:
    print('|'.join('%s=%s' % (k, v.isoformat() if hasattr(v, 'isoformat') else
                               (repr(v) if not isinstance(v, str) else v))
                   for k, v in r.items()))
print('deleted=%d' % len(t.deleted))
)PY";

std::vector<std::string> ReadWithDbfread(const std::string& path) {
  int status = 0;
  const std::string out =
      RunShell("/usr/bin/python3 -c " + Quote(kReader) + " " + Quote(path) + " 2>&1", &status);
  EXPECT_EQ(0, status) << out;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    lines.push_back(out.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool Blank(const TDbfColumns& table, int column) {
  return table.GetTextView(column).find_first_not_of(' ') == std::string_view::npos;
}

// A number as the reader prints a float (shortest form, ".0" when whole).
std::string AsReaderFloat(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string number(buffer, result.ptr);
  if (number.find_first_of(".e") == std::string::npos) number += ".0";
  return number;
}

class InteropTest : public ::testing::Test {
 protected:
  zakaz::testing::TempDir dir_;
};

TEST_F(InteropTest, WhatTheEngineWritesReadsTheSameInAnIndependentReader) {
  const std::string path = dir_.File("order.DBF");
  // The header claims 7 records for the one there: the engine's count comes
  // from the size, and its rewrite puts the right count in the header, which
  // is what the other reader goes by.
  const std::vector<Col> columns = {{"NAME", 'C', 300},
                                    {"PRICE", 'N', 10, 2},
                                    {"QUANT", 'N', 5},
                                    {"SROK", 'D', 8},
                                    {"OK", 'L', 1}};
  const std::string first =
      " " + Left("first", 300) + Right("1.00", 10) + Right("1", 5) + "20240101" + "F";
  WriteFile(path, TableBytes(columns, {first}, 0x03, 7));
  {
    TDbfColumns table(path, false, true);
    ASSERT_EQ(1, table.RecordCount());
    table.BlankRecord();
    table.PutText(1, Utf8ToCp866("Аспирин табл. 500мг №10 ") + std::string(250, 'x'));
    table.PutNumber(2, -1234.5);
    table.PutNumber(3, 12);
    table.PutDate(4, JulianDayOf(2024, 2, 29));
    table.PutLogical(5, true);
    table.AppendRecord();
    table.BlankRecord();  // numbers 0, date and logical blank
    table.PutText(1, Utf8ToCp866("Ёлка"));
    table.PutText(3, "");  // a blank number
    table.AppendRecord();
    table.BlankRecord();
    table.PutText(1, "gone");
    table.AppendRecord();
    table.DeleteRecord();
    // Rewrite the first record in place.
    table.GotoRecord(1);
    table.PutNumber(2, 0.05);
    table.PutString(5, "j");
    table.WriteRecord(1);
  }
  EXPECT_EQ(4u, U32At(ReadFile(path), 4));
  const std::vector<std::string> expected = {
      "NAME=first|PRICE=0.05|QUANT=1|SROK=2024-01-01|OK=True",
      "NAME=Аспирин табл. 500мг №10 " + std::string(250, 'x') +
          "|PRICE=-1234.5|QUANT=12|SROK=2024-02-29|OK=True",
      // A blank logical is unset to that reader and false to the engine.
      "NAME=Ёлка|PRICE=0.0|QUANT=None|SROK=None|OK=None",
      "deleted=1",
  };
  EXPECT_EQ(expected, ReadWithDbfread(path));
}

TEST_F(InteropTest, ExtendedHeaderTablesWrittenByTheEngineRead) {
  const std::string path = dir_.File("x.dbf");
  CreateEmptyTable(path, {{"NAME", 'C', 20, 0}, {"QUANT", 'N', 5, 0}}, 0x30);
  {
    TDbfColumns table(path, false, true);
    EXPECT_EQ(32 * 2 + 296, table.HeaderLength());
    for (int i = 1; i <= 3; ++i) {
      table.BlankRecord();
      table.PutText(1, Utf8ToCp866("Строка " + std::to_string(i)));
      table.PutNumber(2, -i);
      table.AppendRecord();
    }
  }
  EXPECT_EQ((std::vector<std::string>{"NAME=Строка 1|QUANT=-1", "NAME=Строка 2|QUANT=-2",
                                      "NAME=Строка 3|QUANT=-3", "deleted=0"}),
            ReadWithDbfread(path));
}

TEST_F(InteropTest, SamplePriceListReadsTheSameInBothReaders) {
  const std::string path = dir_.File("price.DBF");
  WriteSamplePriceList(path, {300, 7, JulianDayOf(2026, 12, 10)});
  std::vector<std::string> ours;
  int deleted = 0;
  {
    TDbfColumns table(path, false, false);
    for (int n = 1; n <= table.RecordCount(); ++n) {
      table.GotoRecord(n);
      if (table.CurrentDeleted()) {
        ++deleted;
        continue;
      }
      std::string line;
      for (int c = 1; c <= table.FieldCount(); ++c) {
        if (c > 1) line += "|";
        line += table.FieldName(c) + "=";
        const std::string text = table.GetString(c);
        if (table.FieldType(c) == 'C') {
          line += Cp866ToUtf8(text);
        } else if (table.FieldDecimals(c) > 0) {
          // The reader gives a float: compare through the number.
          line += AsReaderFloat(table.GetNumber(c));
        } else {
          line += Blank(table, c) ? "None" : text;
        }
      }
      ours.push_back(line);
    }
  }
  ours.push_back("deleted=" + std::to_string(deleted));
  EXPECT_GT(deleted, 0);
  EXPECT_EQ(ours, ReadWithDbfread(path));
}

TEST_F(InteropTest, WhatAnIndependentWriterMakesReadsTheSameInTheEngine) {
  const std::string path = dir_.File("SHAPE.dbf");
  int status = 0;
  std::string out = RunShell(
      "dbfcreate " + Quote(path) + " -s NAME 50 -n PRICE 10 2 -n QUANT 5 0 -n NEG 8 3 2>&1",
      &status);
  ASSERT_EQ(0, status) << out;
  const std::vector<std::vector<std::string>> rows = {
      {Utf8ToCp866("Аспирин №10"), "12.5", "7", "-0.125"},
      {"plain", "-1234.56", "0", "-12"},
      {Utf8ToCp866("Ёжик в тумане"), "0.01", "99999", "3.5"},
  };
  for (const auto& row : rows) {
    std::string command = "dbfadd " + Quote(path);
    for (const std::string& value : row) command += " " + Quote(value);
    out = RunShell(command + " 2>&1", &status);
    ASSERT_EQ(0, status) << out;
  }
  // The writer's header says 3; claim 9 and see the size decide.
  std::string bytes = ReadFile(path);
  bytes[4] = 9;
  WriteFile(path, bytes);

  TDbfColumns table(dir_.File("shape"), false, false);  // found ignoring case, .DBF added
  ASSERT_EQ(3, table.RecordCount());
  struct Expected {
    const char* name;
    double price;
    double quant;
    double neg;
    const char* price_text;
  };
  const Expected expected[] = {{"Аспирин №10", 12.5, 7, -0.125, "12.50"},
                               {"plain", -1234.56, 0, -12, "-1234.56"},
                               {"Ёжик в тумане", 0.01, 99999, 3.5, "0.01"}};
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    const Expected& e = expected[n - 1];
    table.GotoRecord(n);
    EXPECT_EQ(e.name, Cp866ToUtf8(table.GetString("name")));
    EXPECT_EQ(e.price, table.GetNumber("PRICE"));
    EXPECT_EQ(e.price_text, table.GetString("PRICE"));
    EXPECT_EQ(e.quant, table.GetNumber("QUANT"));
    EXPECT_EQ(e.neg, table.GetNumber("NEG"));
  }
}

TEST_F(InteropTest, AnIndependentWritersEmptyNumberReadsAsNoValue) {
  // The writer fills a number it was given no value for with asterisks.
  const std::string path = dir_.File("nulls.dbf");
  int status = 0;
  RunShell("dbfcreate " + Quote(path) + " -s NAME 5 -n PRICE 10 2", &status);
  ASSERT_EQ(0, status);
  RunShell("dbfadd " + Quote(path) + " x ''", &status);
  ASSERT_EQ(0, status);
  TDbfColumns table(path, false, false);
  table.GotoRecord(1);
  EXPECT_EQ("**********", table.GetText(2));
  EXPECT_TRUE(table.IsUnsetNumber(2));
  EXPECT_EQ(0, table.GetNumber(2));
}

}  // namespace
}  // namespace zakaz::dbf
