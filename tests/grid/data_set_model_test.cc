// DataSetModel under Qt's model tester: every change the dataset makes
// (moves, edits, a filter, rows leaving and joining the filter, closing)
// reaches the views as the signals the model contract requires. The tester
// runs in fatal mode, so a broken contract ends the test executable.
#include "grid/data_set_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "dbf/dataset/table_dataset.h"
#include "dbf/table/dbf_columns.h"
#include "sample_price_list.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

std::vector<GridColumn> Columns() {
  GridColumn name;
  name.field = "NAME";
  name.title = "Наименование";
  GridColumn quant;
  quant.field = "QUANT";
  quant.title = "Заказ";
  quant.format = GridColumn::Format::kQuantity;
  quant.footer = GridColumn::Footer::kSum;
  return {name, quant};
}

// NAME C(10), QUANT N(5): A..F with quantities 0, 2, 0, 1, 0, 3.
void WriteTable(const std::string& path) {
  dbf::CreateEmptyTable(path, {{"NAME", 'C', 10, 0}, {"QUANT", 'N', 5, 0}});
  dbf::TDbfColumns table(path, false, true);
  const int quantities[] = {0, 2, 0, 1, 0, 3};
  for (int i = 0; i < 6; ++i) {
    table.BlankRecord();
    table.PutText(1, std::string(1, static_cast<char>('A' + i)));
    table.PutNumber(2, quantities[i]);
    table.AppendRecord();
  }
}

TEST(DataSetModel, KeepsTheModelContractThroughEveryChange) {
  testing::TempDir dir;
  const std::string path = dir.File("price.dbf");
  WriteTable(path);
  dbf::TTableDataSet ds("PriceTable");
  ds.SetTableName(path);
  ds.SetExclusive(true);
  DataSetModel model(ds, Columns());
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  model.SetWindowRows(3);
  EXPECT_EQ(0, model.rowCount());

  ds.Open();
  ASSERT_EQ(6, model.rowCount());
  EXPECT_EQ(2, model.columnCount());
  EXPECT_EQ(QStringLiteral("B"), model.index(1, 0).data().toString());
  EXPECT_EQ(QStringLiteral("2"), model.index(1, 1).data().toString());
  EXPECT_EQ(QStringLiteral(" "), model.index(0, 1).data().toString());

  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  ds.Last();
  EXPECT_EQ(5, model.CurrentRow());
  ds.First();
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(4);
  ds.Post();
  EXPECT_FALSE(changed.isEmpty());
  EXPECT_EQ(QStringLiteral("4"), model.index(0, 1).data().toString());
  EXPECT_EQ(QStringLiteral("10"), model.FooterText(1));

  // Only ordered rows: A, B, D, F.
  ds.SetFilter("QUANT>0");
  ds.SetFiltered(true);
  ASSERT_EQ(4, model.rowCount());
  EXPECT_EQ(QStringLiteral("D"), model.index(2, 0).data().toString());
  // A row whose quantity becomes zero leaves the filter.
  ds.First();
  ds.Next();
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(0);
  ds.Post();
  EXPECT_EQ(3, model.rowCount());
  EXPECT_EQ(QStringLiteral("8"), model.FooterText(1));

  ds.SetFiltered(false);
  EXPECT_EQ(6, model.rowCount());
  ds.Close();
  EXPECT_EQ(0, model.rowCount());
  EXPECT_EQ(-1, model.CurrentRow());
}

}  // namespace
}  // namespace zakaz
