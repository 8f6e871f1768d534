// The unpacker with the program's own proof of a price list: a real table
// from the archive replaces the old list, a cut-off or foreign one does not.
#include "ordering/price_list_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "exchange/archive_bytes.h"
#include "exchange/exchange_fixture.h"
#include "exchange/price_unpacker.h"
#include "sample_price_list.h"

namespace zakaz::exchange {
namespace {

namespace fs = std::filesystem;
using ::testing::StartsWith;
using zakaz::testing::ReadFile;
using zakaz::testing::TempDir;
using zakaz::testing::WriteFile;

TEST(PriceListCheck, OnlyAWholePriceListReplacesTheOldOne) {
  TempDir dir;
  fs::create_directory(dir.Path() / "in");
  dbf::TSampleOptions options;
  options.rows = 300;
  dbf::WriteSamplePriceList((dir.Path() / "sample.dbf").string(), options);
  const std::string table = ReadFile(dir.Path() / "sample.dbf");
  const fs::path archive = dir.Path() / "in" / "price.rar";
  WriteFile(dir.Path() / "price.DBF", "the old list");

  WriteFile(archive, testing::StoredRar({{"price.dbf", table.substr(0, table.size() / 2), {}}}));
  EXPECT_EQ("таблица price.dbf из архива повреждена (таблица короче, чем сказано в её заголовке)",
            UnpackPriceList(archive, dir.Path(), ProvePriceListTable).value_or(""));
  dbf::CreateEmptyTable((dir.Path() / "other.dbf").string(), {{"X", 'C', 10, 0}});
  WriteFile(archive, testing::Zip({{"price.dbf", ReadFile(dir.Path() / "other.dbf"), {}}}));
  EXPECT_THAT(UnpackPriceList(archive, dir.Path(), ProvePriceListTable).value_or(""),
              StartsWith("таблица price.dbf из архива повреждена ("));
  EXPECT_EQ("the old list", ReadFile(dir.Path() / "price.DBF"));

  WriteFile(archive, testing::StoredRar({{"price.dbf", table, {}}}));
  EXPECT_EQ(std::nullopt, UnpackPriceList(archive, dir.Path(), ProvePriceListTable));
  EXPECT_TRUE(table == ReadFile(dir.Path() / "price.DBF"));
}

}  // namespace
}  // namespace zakaz::exchange
