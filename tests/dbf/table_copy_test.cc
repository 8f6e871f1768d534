// Copying a structure into a new table and records byte for byte.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "dataset_test_util.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_builder.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using zakaz::testing::ReadFile;

using ::testing::ElementsAre;
using testing::RowsMatching;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using testing::TRow;
using testing::WriteTable;

uint8_t Byte(const std::string& bytes, size_t at) { return static_cast<uint8_t>(bytes.at(at)); }

class CopyTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.File(name); }
  void OpenOn(TTableDataSet& ds, const std::string& name) {
    ds.SetTableName(Path(name));
    ds.SetExclusive(true);
    ds.Open();
  }
  zakaz::testing::TempDir dir_;
};

TEST_F(CopyTest, StructureOfThreeColumns) {
  WriteTable(Path("price.DBF"), RowsMatching(3, {1}),
             {{"NAME", 'C', 100, 0}, {"PRICE", 'N', 10, 2}, {"QUANT", 'N', 5, 0}});
  TTableDataSet ds("PriceTable");
  OpenOn(ds, "price.DBF");
  ds.CopyStructure(Path("order"));
  const std::string bytes = ReadFile(Path("order.DBF"));
  ASSERT_EQ(130u, bytes.size());
  EXPECT_EQ(0x03, Byte(bytes, 0));
  EXPECT_EQ(0u, Byte(bytes, 4) | Byte(bytes, 5) | Byte(bytes, 6) | Byte(bytes, 7));
  EXPECT_EQ(129, Byte(bytes, 8) | Byte(bytes, 9) << 8);
  EXPECT_EQ(116, Byte(bytes, 10) | Byte(bytes, 11) << 8);
  EXPECT_EQ(0x0D, Byte(bytes, 128));
  EXPECT_EQ(0x1A, Byte(bytes, 129));
  for (size_t i = 12; i < 32; ++i) EXPECT_EQ(0, Byte(bytes, i)) << i;
  EXPECT_TRUE(ds.Active()) << "the source stays open";
}

TEST_F(CopyTest, StructureNormalisesNamesTypesAndWidths) {
  CreateEmptyTable(Path("src.DBF"),
                   {{"Kod", 'C', 300, 0},
                    {"VeryLongNam", 'n', 7, 3},
                    {"D", 'D', 6, 2},
                    {"L", 'L', 3, 1},
                    {"Q", 'X', 4, 2}},
                   0x83);
  TTableDataSet ds;
  OpenOn(ds, "src.DBF");
  ds.CopyStructure(Path("dst.DBF"));
  TDbfColumns copy(Path("dst.DBF"), false, false);
  EXPECT_EQ(0x03, copy.Version());
  struct TExpected {
    const char* name;
    char type;
    int byte16, byte17;
  };
  const TExpected expected[] = {{"KOD", 'C', 44, 1},
                                {"VERYLONGNA", 'N', 7, 3},
                                {"D", 'D', 8, 0},
                                {"L", 'L', 1, 0},
                                {"Q", 'X', 4, 2}};
  ASSERT_EQ(5, copy.FieldCount());
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const TDbfDescriptor& d = copy.Descriptors()[static_cast<size_t>(i)];
    EXPECT_EQ(expected[i].name, d.name);
    EXPECT_EQ(expected[i].type, d.type);
    EXPECT_EQ(expected[i].byte16, d.raw[16]);
    EXPECT_EQ(expected[i].byte17, d.raw[17]);
  }
  EXPECT_EQ(1 + 300 + 7 + 8 + 1 + 4, copy.RecordLength());
}

TEST_F(CopyTest, StructureReplacesAnExistingFile) {
  WriteTable(Path("price.DBF"), RowsMatching(2, {}));
  WriteTable(Path("order.DBF"), RowsMatching(5, {}));
  TTableDataSet ds;
  OpenOn(ds, "price.DBF");
  ds.CopyStructure(Path("order.DBF"));
  TDbfColumns copy(Path("order.DBF"), false, false);
  EXPECT_EQ(0, copy.RecordCount());
}

TEST_F(CopyTest, StructureFailures) {
  TTableDataSet closed("PriceTable");
  EXPECT_THAT([&] { closed.CopyStructure(Path("x")); },
              ThrowsMessage<EDatabaseError>(
                  StrEq("PriceTable: Cannot perform this operation on a closed dataset")));
  WriteTable(Path("price.DBF"), RowsMatching(1, {}));
  TTableDataSet ds;
  OpenOn(ds, "price.DBF");
  const std::string target = Path("missing") + "/order.DBF";
  EXPECT_THAT([&] { ds.CopyStructure(target); },
              ThrowsMessage<ETableError>(StrEq("Could not create file " + target)));
}

TEST_F(CopyTest, StructureOntoAnOpenTableLeavesItAlone) {
  WriteTable(Path("price.DBF"), RowsMatching(3, {1}));
  const std::string before = ReadFile(Path("price.DBF"));
  TTableDataSet ds;
  OpenOn(ds, "price.DBF");
  EXPECT_THAT([&] { ds.CopyStructure(Path("price.DBF")); },
              ThrowsMessage<ETableError>(StrEq("Could not create file " + Path("price.DBF"))));
  EXPECT_EQ(3, ds.RecordCount());
  ds.Close();
  EXPECT_EQ(before, ReadFile(Path("price.DBF")));
}

// The walk that saves an order: every visible record once, byte for byte,
// the Cyrillic bytes untouched although both datasets translate.
TEST_F(CopyTest, WalkCopiesVisibleRecordsByteForByte) {
  std::vector<TRow> rows = RowsMatching(6, {2, 3, 6});
  rows[1].name = Utf8ToCp866("Анальгин");
  rows[2].deleted = true;
  WriteTable(Path("price.DBF"), rows);
  TTableDataSet price("PriceTable");
  price.SetFilter("QUANT>0");
  price.SetFiltered(true);
  OpenOn(price, "price.DBF");
  TTableDataSet order("OrderTable");
  price.CopyStructure(Path("order.DBF"));
  order.SetTableName(Path("order.DBF"));
  EXPECT_THAT(
      [&] { price.CopyRecordTo(order); },
      ThrowsMessage<EDatabaseError>(StrEq("Cannot perform this operation on a closed dataset")));
  order.Open();
  std::vector<int32_t> copied;
  for (price.First(); !price.Eof(); price.Next()) {
    copied.push_back(price.RecNo());
    price.CopyRecordTo(order);
    EXPECT_EQ(order.Table()->RecordCount(), order.RecNo())
        << "the destination is on the new record";
  }
  EXPECT_THAT(copied, ElementsAre(2, 6));
  EXPECT_EQ(Utf8ToCp1251("Анальгин"), order.PeekRecord(1).values[0].text);
  order.Close();
  price.Close();

  const std::string source = ReadFile(Path("price.DBF"));
  const std::string copy = ReadFile(Path("order.DBF"));
  TDbfColumns src(Path("price.DBF"), false, false);
  const size_t header = static_cast<size_t>(src.HeaderLength());
  const size_t length = static_cast<size_t>(src.RecordLength());
  ASSERT_EQ(header + 2 * length + 1, copy.size());
  EXPECT_EQ(2, Byte(copy, 4));
  EXPECT_EQ(0x1A, Byte(copy, copy.size() - 1));
  EXPECT_EQ(source.substr(header + 1 * length, length), copy.substr(header, length));
  EXPECT_EQ(source.substr(header + 5 * length, length), copy.substr(header + length, length));
}

TEST_F(CopyTest, PendingEditIsPostedBeforeTheCopy) {
  WriteTable(Path("price.DBF"), RowsMatching(2, {}));
  TTableDataSet price;
  OpenOn(price, "price.DBF");
  price.CopyStructure(Path("order.DBF"));
  TTableDataSet order;
  OpenOn(order, "order.DBF");
  price.Edit();
  price.FieldByName("QUANT").SetAsInteger(8);
  price.CopyRecordTo(order);
  EXPECT_EQ(TDataSetState::dsBrowse, price.State());
  EXPECT_EQ(8, order.FieldByName("QUANT").AsInteger());
  EXPECT_EQ(1, price.RecNo());
  price.Close();
  TDbfColumns src(Path("price.DBF"), false, false);
  src.GotoRecord(1);
  EXPECT_EQ(8, src.GetNumber(3));
}

TEST_F(CopyTest, FilteredSourceWithNothingVisibleCopiesNothing) {
  WriteTable(Path("price.DBF"), RowsMatching(3, {}));
  TTableDataSet price;
  price.SetFilter("QUANT>0");
  price.SetFiltered(true);
  OpenOn(price, "price.DBF");
  price.CopyStructure(Path("order.DBF"));
  TTableDataSet order;
  OpenOn(order, "order.DBF");
  price.First();
  EXPECT_TRUE(price.Eof());
  EXPECT_THAT([&] { price.CopyRecordTo(order); },
              ThrowsMessage<EDatabaseError>(StrEq("Record not found")));
  EXPECT_EQ(0, order.RecordCount());
}

// Saving k rows reads about one record per row in the source, not the whole
// table per row.
TEST_F(CopyTest, WalkDoesNotRescanTheSource) {
  WriteTable(Path("price.DBF"), RowsMatching(500, {10, 20, 30, 40}));
  TTableDataSet price;
  price.SetFilter("QUANT>0");
  price.SetFiltered(true);
  OpenOn(price, "price.DBF");
  price.CopyStructure(Path("order.DBF"));
  TTableDataSet order;
  OpenOn(order, "order.DBF");
  const int64_t before = price.Table()->RecordReads();
  for (price.First(); !price.Eof(); price.Next()) price.CopyRecordTo(order);
  EXPECT_LT(price.Table()->RecordReads() - before, 20);
  EXPECT_EQ(4, order.RecordCount());
}

TEST(DbfBuilder, LeavesOutUnnamedColumnsAndMarksMemoTables) {
  zakaz::testing::TempDir dir;
  TDbfBuilder builder(" " + dir.File("memo") + " ", 0x8B);
  builder.AddField("", 'C', 10, 0);
  builder.AddField("notes", 'm', 4, 2);
  EXPECT_EQ(1, builder.FieldCount());
  EXPECT_TRUE(builder.HasMemo());
  EXPECT_EQ(0x8B, builder.Version());
  EXPECT_EQ(11, builder.RecordLength());
  EXPECT_EQ(dir.File("memo") + ".DBF", builder.FileName());
}

}  // namespace
}  // namespace zakaz::dbf
