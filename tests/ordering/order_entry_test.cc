// The order-entry logic without a window: the quantity rule, clearing over
// the dataset, and the dataset's scans of the shown rows that the grid's
// footer and search use.
#include "ordering/order_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/code_page.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "ordering/price_row.h"
#include "ordering/view_mode.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using testing::PriceRow;

// The view modes as the window sets them, without the window.
class FakeViews : public IViewModes {
 public:
  explicit FakeViews(dbf::TTableDataSet& table) : table_(table) {}
  TViewMode ViewMode() const override { return mode_; }
  void SetViewMode(TViewMode mode) override {
    mode_ = mode;
    table_.SetFilter(mode == vmOrder ? "QUANT>0" : "");
    table_.SetFiltered(mode == vmOrder);
    table_.First();
    modes.push_back(mode);
  }
  std::vector<TViewMode> modes;

 private:
  dbf::TTableDataSet& table_;
  TViewMode mode_ = vmPrice;
};

// A view that asks for a window of `rows` buffered rows.
class WindowView : public dbf::TDataSetView {
 public:
  explicit WindowView(int32_t rows) : rows_(rows) {}
  int32_t WindowRows() const override { return rows_; }

 private:
  int32_t rows_;
};

class OrderEntryLogicTest : public ::testing::Test {
 protected:
  OrderEntryLogicTest() { dbf::BuildTranslationTables(); }

  dbf::TTableDataSet& Open(const std::vector<PriceRow>& rows) {
    testing::WritePriceTable(Path(), rows);
    records_ = static_cast<int32_t>(rows.size());
    ConfigurePriceTable(table_);
    table_.SetTableName(Path());
    table_.Open();
    return table_;
  }
  std::string Path() const { return dir_.File("price.DBF"); }
  // QUANT of every record, deleted or hidden ones included.
  std::vector<int> Quantities() {
    std::vector<int> out;
    for (int32_t r = 1; r <= records_; ++r)
      out.push_back(static_cast<int>(table_.PeekRecord(r).values[4].number));
    return out;
  }

  testing::TempDir dir_;
  dbf::TTableDataSet table_{"PriceTable"};
  int32_t records_ = 0;
};

TEST(QuantityRuleTest, EntriesGiveTheStoredValue) {
  struct Case {
    const char* text;
    int32_t stock;
    int32_t stored;
  };
  const Case kCases[] = {
      {"7", 5, 5},   {"5", 5, 5},           {"-3", 5, 0}, {"", 5, 0},
      {"   ", 5, 0}, {" 3 ", 5, 3},         {"4", 0, 0},  {"4", -2, 0},
      {"2,5", 5, 2}, {"3.5", 5, 4},         {"+2", 5, 2}, {"1e1", 100, 10},
      {"0", 5, 0},   {"99999999999", 7, 7},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.stored, DBGridColumns7UpdateData(c.text, c.stock)) << '"' << c.text << '"';
  }
  for (const char* text : {"-", "+", "abc", "1a", "1e", ",", "1 2", "0x10", "inf", "nan"}) {
    try {
      DBGridColumns7UpdateData(text, 5);
      ADD_FAILURE() << text << " was accepted";
    } catch (const EVariantError& e) {
      EXPECT_STREQ("Could not convert variant of type (String) into type (Double)", e.what());
    }
  }
}

TEST_F(OrderEntryLogicTest, ClearingReachesEveryOrderedRowWhateverTheWindow) {
  std::vector<PriceRow> rows;
  for (int i = 0; i < 40; ++i)
    rows.push_back({.name = "R" + std::to_string(i), .quant = i % 3 == 0 || i > 36 ? 2 : 0});
  for (int32_t window : {1, 2, 7, 50}) {
    SCOPED_TRACE(window);
    WindowView view(window);
    dbf::TTableDataSet& table = Open(rows);
    table.AttachView(&view);
    FakeViews views(table);
    table.Next();
    ClearQuantities(table, views);
    EXPECT_THAT(views.modes, ElementsAre(vmOrder, vmPrice));
    EXPECT_EQ(vmPrice, views.ViewMode());
    EXPECT_EQ(1, table.RecNo());
    EXPECT_EQ(40, table.VisibleRows().Count());
    EXPECT_THAT(Quantities(), Each(0));
    table.DetachView(&view);
    table.Close();
  }
}

TEST_F(OrderEntryLogicTest, ClearingAReadOnlyTableFailsAndGivesBackTheView) {
  dbf::TTableDataSet& table = Open({{.name = "A", .quant = 1}});
  table.Close();
  table.SetReadOnly(true);
  table.Open();
  FakeViews views(table);
  EXPECT_THROW(ClearQuantities(table, views), dbf::EDatabaseError);
  EXPECT_EQ(vmPrice, views.ViewMode());
  EXPECT_THAT(Quantities(), ElementsAre(1));
}

TEST_F(OrderEntryLogicTest, SumsOfTheShownRows) {
  dbf::TTableDataSet& table = Open({{.name = "A", .price = 12.5, .quant = 2},
                                    {.name = "B", .price = 100, .quant = 0},
                                    {.name = "C", .price = 0.333, .quant = 3},
                                    {.name = "D", .price = 0.25, .quant = 1}});
  const int32_t quant = 4, summa = 5;  // QUANT and the calculated SUMMA
  ASSERT_EQ("QUANT", table.Fields(quant).FieldName());
  ASSERT_EQ("SUMMA", table.Fields(summa).FieldName());
  // PRICE holds two decimals: 0.333 is stored as 0.33.
  EXPECT_THAT(table.SumVisible({quant, summa}), ElementsAre(60000, 262400));
  table.SetFilter("Name = '*B*' .OR. Name = '*D*'");
  table.SetFiltered(true);
  EXPECT_THAT(table.SumVisible({summa, quant}), ElementsAre(2500, 10000));
  // The row being edited counts with what is typed.
  table.First();
  table.Edit();
  table.FieldByName("QUANT").SetAsInteger(2);
  EXPECT_THAT(table.SumVisible({quant}), ElementsAre(30000));
  table.Cancel();
  table.SetFiltered(false);
  EXPECT_THAT(table.SumVisible({}), ElementsAre());
  EXPECT_EQ(1, table.RecNo());  // the scans never move the cursor
}

TEST_F(OrderEntryLogicTest, NamePrefixSearchFromTheTopOfTheShownRows) {
  dbf::TTableDataSet& table = Open({{.name = "BROM", .quant = 1},
                                    {.name = "analgin"},
                                    {.name = "ASPIRIN", .quant = 1},
                                    {.name = Utf8ToCp1251("аспирин")},
                                    {.name = Utf8ToCp1251("Ёж"), .quant = 1},
                                    {.name = ""}});
  const int32_t name = 0;
  struct Case {
    const char* prefix;  // UTF-8
    int32_t row;
  };
  const Case kAll[] = {{"a", 1},  {"AS", 2}, {"asPIR", 2}, {"АСП", 3},    {"аспирин", 3},
                       {"ёЖ", 4}, {"x", -1}, {"", 0},      {"BROMX", -1}, {"аспирин ", -1}};
  for (const auto& c : kAll) {
    EXPECT_EQ(c.row, table.FindVisiblePrefix(name, Utf8ToCp1251(c.prefix))) << c.prefix;
  }
  table.SetFilter("QUANT>0");
  table.SetFiltered(true);
  const Case kOrdered[] = {{"a", 1}, {"b", 0}, {"ё", 2}, {"аСп", -1}};
  for (const auto& c : kOrdered) {
    EXPECT_EQ(c.row, table.FindVisiblePrefix(name, Utf8ToCp1251(c.prefix))) << c.prefix;
  }
}

}  // namespace
}  // namespace zakaz
