// The engine over the memory-backed file system: a table made, filled,
// walked, edited and copied there behaves as on disk, and nothing reaches
// the disk.
#include "dbf/table/memory_file_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "dataset_test_util.h"
#include "dbf/base/errors.h"

namespace zakaz::dbf {
namespace {

using ::testing::StrEq;
using ::testing::ThrowsMessage;
using testing::TRow;
using testing::WriteTable;

TEST(MemoryFileSystem, CarriesTheWholeEngine) {
  TMemoryFileSystem memory;
  TFileSystemScope scope(memory);
  const std::string path = "/memory/price.dbf";
  WriteTable(path, {{"A", "    1"}, {"B", "    0"}, {"C", "    3", true}, {"D", "    4"}});
  ASSERT_FALSE(std::filesystem::exists(path));

  TTableDataSet ds("Price");
  ds.SetTableName(path);
  ds.SetExclusive(true);
  ds.Open();
  ds.SetFilter("QUANT>0");
  ds.SetFiltered(true);
  std::vector<std::string> names;
  for (ds.First(); !ds.Eof(); ds.Next()) names.push_back(ds.FieldByName("NAME").AsString());
  EXPECT_EQ((std::vector<std::string>{"A", "D"}), names);

  ds.First();
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(7);
  ds.Post();
  ds.CopyStructure("/memory/order.dbf");
  {
    TTableDataSet order("Order");
    order.SetTableName("/memory/order.dbf");
    order.Open();
    for (ds.First(); !ds.Eof(); ds.Next()) ds.CopyRecordTo(order);
    EXPECT_EQ(2, order.RecordCount());
  }
  // An exclusive open admits no other, as on disk.
  EXPECT_THAT([&] { TDbfColumns again(path, false, false); },
              ThrowsMessage<ETableError>(StrEq("Access denied to file /memory/price.dbf")));
  ds.Close();

  TDbfColumns table(path, false, false);
  table.GotoRecord(1);
  EXPECT_EQ(7, table.GetNumber("QUANT"));
  EXPECT_THAT([] { TDbfColumns missing("/memory/none.dbf", false, false); },
              ThrowsMessage<ETableError>(StrEq("File /memory/none.dbf could not be found")));
}

}  // namespace
}  // namespace zakaz::dbf
