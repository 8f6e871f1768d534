// The table inspector as support staff run it, and the sample price list it
// makes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

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
using testing::TableBytes;
using testing::WriteFile;

using Result = zakaz::testing::CommandResult;

Result Tool(const std::string& arguments) {
  return zakaz::testing::RunCommand(std::string(DBFTOOL_PATH) + " " + arguments + " 2>&1");
}

class DbftoolTest : public ::testing::Test {
 protected:
  zakaz::testing::TempDir dir_;
};

TEST_F(DbftoolTest, InfoShowsHeaderAndColumns) {
  const std::string path = dir_.File("t.dbf");
  const std::vector<Col> columns = {{"NAME", 'C', 300}, {"PRICE", 'N', 10, 2}};
  std::string bytes = TableBytes(columns, {" " + Left("a", 300) + Right("1.00", 10)}, 0x03, 4);
  WriteFile(path, bytes);
  const Result r = Tool("info " + path);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("File: " + path +
                "\n"
                "Version: 0x03\n"
                "Last update: 02.01.2024\n"
                "Records by header: 4\n"
                "Records by size: 1\n"
                "Header length: 97\n"
                "Record length: 311\n"
                "Columns: 2\n"
                "  #  Name        Type  Width  Dec\n"
                "  1  NAME        C     300    0\n"
                "  2  PRICE       N      10    2\n",
            r.out);
  EXPECT_EQ(bytes, ReadFile(path));  // looking changes nothing
}

TEST_F(DbftoolTest, DumpShowsEveryRecordInUtf8WithDeletedOnesMarked) {
  const std::string path = dir_.File("t.dbf");
  const std::vector<Col> columns = {{"NAME", 'C', 8}, {"QUANT", 'N', 5}, {"D", 'D', 8}};
  WriteFile(path,
            TableBytes(columns, {" " + Left(Utf8ToCp866("Ёж"), 8) + Right("3", 5) + "20240105",
                                 "*" + Left("old", 8) + Right("", 5) + Left("", 8)}));
  const Result r = Tool("dump " + path);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(
      "Rec Del | NAME | QUANT | D\n"
      "1   | Ёж | 3 | 05.01.2024\n"
      "2 * | old | 0 | \n",
      r.out);
}

TEST_F(DbftoolTest, DumpIntoAReaderThatStopsEarlySucceeds) {
  const std::string path = dir_.File("p.dbf");
  WriteSamplePriceList(path, {3000, 1, 0});
  const std::string command = "bash -c 'set -o pipefail; " + std::string(DBFTOOL_PATH) + " dump " +
                              path + " | head -2 >/dev/null'";
  EXPECT_EQ(0, std::system(command.c_str()));
}

TEST_F(DbftoolTest, FailuresPrintTheEngineMessageAndExitNonZero) {
  const std::string bad = dir_.File("bad.dbf");
  WriteFile(bad, std::string(20, '\x03'));
  struct Case {
    std::string arguments;
    std::string output;
  };
  const Case cases[] = {
      {"info " + dir_.File("none"), "File " + dir_.File("none.DBF") + " could not be found\n"},
      {"dump " + bad, "Error on Read of file " + bad + "\n"},
      {"sample 5 " + dir_.File("no/such/dir/p.dbf"),
       "Could not create file " + dir_.File("no/such/dir/p.dbf") + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Result r = Tool(c.arguments);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(c.output, r.out);
  }
  for (const char* usage : {"", "info", "dump", "sample x y", "sample 5", "frobnicate"}) {
    SCOPED_TRACE(usage);
    EXPECT_EQ(2, Tool(usage).status);
  }
}

TEST_F(DbftoolTest, SampleWritesTheSameListForTheSameSeed) {
  const std::string a = dir_.File("a.dbf");
  const std::string b = dir_.File("b.dbf");
  const std::string c = dir_.File("c.dbf");
  ASSERT_EQ(0, Tool("sample 50 " + a + " --seed 3").status);
  ASSERT_EQ(0, Tool("sample 50 " + b + " --seed 3").status);
  ASSERT_EQ(0, Tool("sample 50 " + c + " --seed 4").status);
  // Past the header (whose change stamp tells the moment of writing).
  EXPECT_EQ(ReadFile(a).substr(32), ReadFile(b).substr(32));
  EXPECT_NE(ReadFile(a).substr(32), ReadFile(c).substr(32));
  TDbfColumns table(a, false, false);
  EXPECT_EQ(50, table.RecordCount());
}

TEST_F(DbftoolTest, SamplePriceListLooksLikeTheSuppliersList) {
  const std::string path = dir_.File("price.DBF");
  const int today = JulianDayOf(2026, 12, 10);
  WriteSamplePriceList(path, {1000, 1, today});
  TDbfColumns table(path, false, false);
  ASSERT_EQ(11, table.FieldCount());
  const std::vector<std::string> names = {"NAME", "PROIZVOD", "PRICE",   "KOL",  "QUANT",  "Kod",
                                          "SROK", "NDS",      "FASOVKA", "FLAG", "COMMENT"};
  const std::string types = "CCNNNCCNCNC";
  const int widths[] = {100, 25, 10, 8, 5, 100, 10, 2, 10, 1, 100};
  for (int n = 1; n <= 11; ++n) {
    EXPECT_EQ(names[static_cast<size_t>(n - 1)], table.FieldName(n));
    EXPECT_EQ(types[static_cast<size_t>(n - 1)], table.FieldType(n));
    EXPECT_EQ(widths[n - 1], table.FieldWidth(n));
  }
  EXPECT_EQ(2, table.FieldDecimals(3));
  bool flagged = false, deleted = false, no_expiry = false, soon = false, later = false,
       no_stock = false, blank_stock = false, cyrillic = false;
  for (int n = 1; n <= table.RecordCount(); ++n) {
    table.GotoRecord(n);
    flagged |= table.GetNumber("FLAG") == 1;
    deleted |= table.CurrentDeleted();
    const std::string srok = table.GetString("SROK");
    int day = 0;
    if (srok.empty()) {
      no_expiry = true;
    } else {
      ASSERT_TRUE(ParseShortDate(srok, &day)) << srok;
      ASSERT_EQ(10u, srok.size());
      (day - today < 180 ? soon : later) = true;
    }
    no_stock |= table.GetText("KOL") == "       0";
    blank_stock |= table.GetText("KOL") == "        ";
    cyrillic |= static_cast<unsigned char>(table.GetText("NAME")[0]) >= 0x80;
    EXPECT_GT(table.GetNumber("PRICE"), 0);
  }
  EXPECT_TRUE(flagged && deleted && no_expiry && soon && later && no_stock && blank_stock &&
              cyrillic);
}

}  // namespace
}  // namespace zakaz::dbf
