// Repeating an archived order on the price list, without a window: what is
// read from the archived file, what the price list's rows get, the counts
// and the message.
#include "ordering/repeat_order.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "ordering/price_list.h"
#include "sample_price_list.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

using ::testing::ElementsAre;
using testing::PriceRow;

class RepeatOrderTest : public ::testing::Test {
 protected:
  RepeatOrderTest() : work_(dir_.Path()) {
    dbf::BuildTranslationTables();
    std::filesystem::create_directory(dir_.Path() / "Archive");
  }

  // Writes the archived order and repeats it on the price list `price`.
  TRepeatSummary Repeat(const std::vector<PriceRow>& price, const std::vector<PriceRow>& archived) {
    testing::WritePriceTable(dir_.File("price.dbf"), price);
    testing::WritePriceTable(dir_.File("Archive/0001.dbf"), archived);
    dbf::TTableDataSet archive;
    const TArchivedOrder order = ReadArchivedOrder(archive, "Archive\\0001.dbf");
    EXPECT_FALSE(archive.Active());
    list_.OpenPriceList();
    TRepeatSummary summary = ApplyArchivedOrder(list_, order);
    list_.Close();
    return summary;
  }
  std::vector<int> PriceQuantities() { return testing::ReadQuantities(dir_.File("price.dbf")); }

  testing::TempDir dir_;
  testing::WorkingDirectory work_;
  TPriceList list_;
};

TEST_F(RepeatOrderTest, SetsTheFirstRowOfEachCodeThroughTheStockRule) {
  const TRepeatSummary summary = Repeat(
      {
          {.name = "A", .kol = 10, .kod = "A1"},
          {.name = "A again", .kol = 10, .kod = "A1"},             // not the first: untouched
          {.name = "B", .kol = 3, .kod = "b1"},                    // above the stock: the stock
          {.name = "C", .kol = 0, .kod = "C1"},                    // no stock
          {.name = "typed", .kol = 9, .quant = 4, .kod = "T"},     // typed, not archived: stays
          {.name = "replaced", .kol = 9, .quant = 8, .kod = "R"},  // typed and archived: replaced
          {.name = "case", .kol = 9, .kod = "B1"},                 // case is kept: no match
      },
      {
          {.name = "A", .quant = 2, .kod = "A1  "},  // trailing blanks trimmed
          {.name = "B", .quant = 5, .kod = "b1"},
          {.name = "A", .quant = 3, .kod = "A1"},  // added to the first A1
          {.name = "C", .quant = 1, .kod = "C1"},
          {.name = "zero", .quant = 0, .kod = "T"},  // no quantity: ignored
          {.name = "R", .quant = 1, .kod = "R"},
          {.name = "gone", .quant = 1, .kod = "X9"},
          {.name = "no code", .quant = 1, .kod = ""},
          {.name = "blank code", .quant = 1, .kod = "   "},
      });
  EXPECT_THAT(PriceQuantities(), ElementsAre(5, 0, 3, 0, 4, 1, 0));
  EXPECT_EQ(summary.transferred, 3);
  EXPECT_EQ(summary.not_in_price, 3);
  EXPECT_EQ(summary.out_of_stock, 1);
  EXPECT_THAT(summary.missing, ElementsAre("C", "gone", "no code", "blank code"));
}

TEST_F(RepeatOrderTest, AppliesToEveryRowWhateverFilterWasInForce) {
  testing::WritePriceTable(dir_.File("price.dbf"),
                           {{.name = "x", .kod = "1"}, {.name = "y", .kod = "2"}});
  list_.OpenPriceList();
  list_.SetNameFilter("x");
  TArchivedOrder order;
  order.lines = {{"2", 7, "y"}};
  const TRepeatSummary summary = ApplyArchivedOrder(list_, order);
  EXPECT_EQ(summary.transferred, 1);
  EXPECT_FALSE(list_.Table().Filtered());
  list_.Close();
  EXPECT_THAT(PriceQuantities(), ElementsAre(0, 7));
}

TEST_F(RepeatOrderTest, AnUnreadableArchiveThrowsTheDatasetsMessageAndLeavesItClosed) {
  // Without a Kod column.
  dbf::CreateEmptyTable(dir_.File("Archive/nokod.dbf"), {{"NAME", 'C', 20}, {"QUANT", 'N', 5, 0}});
  dbf::TTableDataSet archive;
  try {
    ReadArchivedOrder(archive, "Archive\\nokod.dbf");
    ADD_FAILURE() << "no exception";
  } catch (const dbf::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Kod' not found");
  }
  EXPECT_FALSE(archive.Active());
  // Not there at all: the dataset's own failure.
  EXPECT_THROW(ReadArchivedOrder(archive, "Archive\\none.dbf"), std::exception);
  EXPECT_FALSE(archive.Active());
}

TEST(RepeatMessageTest, CountsThenUpToTenNamesAndAnEllipsis) {
  TRepeatSummary summary{4, 1, 0, {"one"}};
  EXPECT_EQ(RepeatMessage("0001.dbf", summary),
            "Повторён заказ 0001.dbf: перенесено позиций 4, нет в прайсе 1, нет в наличии 0\none");
  summary = {0, 0, 0, {}};
  EXPECT_EQ(RepeatMessage("a.dbf", summary),
            "Повторён заказ a.dbf: перенесено позиций 0, нет в прайсе 0, нет в наличии 0");
  // Names are Windows-1251: "Ан" is C0 ED.
  summary = {0, 11, 0, {"\xC0\xED", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}};
  EXPECT_EQ(RepeatMessage("b.dbf", summary),
            "Повторён заказ b.dbf: перенесено позиций 0, нет в прайсе 11, нет в наличии 0\n"
            "Ан\n2\n3\n4\n5\n6\n7\n8\n9\n10\n…");
  summary.missing.pop_back();
  EXPECT_EQ(RepeatMessage("b.dbf", summary),
            "Повторён заказ b.dbf: перенесено позиций 0, нет в прайсе 11, нет в наличии 0\n"
            "Ан\n2\n3\n4\n5\n6\n7\n8\n9\n10");
}

}  // namespace
}  // namespace zakaz
