// A view shaped like the grid's table model: it keeps its own copy of the
// visible rows from the dataset's notices alone, and must always agree with
// the dataset.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_test_util.h"
#include "dbf/dataset/table_dataset.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using ::testing::ElementsAre;
using testing::RowsMatching;
using testing::WriteTable;

class TModelView : public TDataSetView {
 public:
  explicit TModelView(TTableDataSet& ds) : ds_(ds) {}
  int32_t WindowRows() const override { return 3; }
  void VisibleRowsReset() override {
    ++resets;
    rows.clear();
    if (!ds_.Active()) return;
    const TVisibleRows& list = ds_.VisibleRows();
    for (int32_t i = 0; i < list.Count(); ++i) rows.push_back(list.RecordAt(i));
  }
  void VisibleRowInserted(int32_t row, int32_t recno) override {
    rows.insert(rows.begin() + row, recno);
  }
  void VisibleRowRemoved(int32_t row, int32_t recno) override {
    ASSERT_EQ(recno, rows.at(static_cast<size_t>(row)));
    rows.erase(rows.begin() + row);
  }
  void RecordWritten(int32_t recno) override { written.push_back(recno); }

  // What the model's data() would show for row `row`, column QUANT.
  std::string Quant(int32_t row) {
    return ds_.PeekRecord(rows.at(static_cast<size_t>(row))).values[2].text;
  }

  std::vector<int32_t> rows;
  std::vector<int32_t> written;
  int resets = 0;

 private:
  TTableDataSet& ds_;
};

TEST(DataSetView, ModelMirrorFollowsEveryChange) {
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("price.DBF"), RowsMatching(8, {2, 5, 6}));
  TTableDataSet ds("PriceTable");
  TModelView model(ds);
  ds.AttachView(&model);
  ds.SetTableName(dir.File("price.DBF"));
  ds.SetFilter("QUANT>0");
  ds.SetFiltered(true);
  ds.Open();
  EXPECT_THAT(model.rows, ElementsAre(2, 5, 6));
  EXPECT_EQ("1", model.Quant(1));

  // The user types 0 into the second row: it leaves the list, the cursor stays.
  ds.SetRecNo(5);
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(0);
  ds.Post();
  EXPECT_THAT(model.rows, ElementsAre(2, 6));
  EXPECT_EQ(5, ds.RecNo());
  EXPECT_EQ(-1, ds.VisibleRows().RowOf(ds.RecNo()));

  // Unfiltered, every live row shows; typing a quantity changes a cell only.
  ds.SetFiltered(false);
  EXPECT_THAT(model.rows, ElementsAre(1, 2, 3, 4, 5, 6, 7, 8));
  ds.SetRecNo(7);
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(4);
  ds.Post();
  EXPECT_EQ(8u, model.rows.size());
  EXPECT_EQ("4", model.Quant(6));
  EXPECT_THAT(model.written, ::testing::Contains(7));

  // Back under the filter without a scan: the list reflects the writes.
  ds.SetFiltered(true);
  EXPECT_THAT(model.rows, ElementsAre(2, 6, 7));
  ds.Append();
  ds.FieldByName("QUANT").SetAsInteger(2);
  ds.Post();
  EXPECT_THAT(model.rows, ElementsAre(2, 6, 7, 9));
  std::vector<int32_t> truth;
  const TVisibleRows& list = ds.VisibleRows();
  for (int32_t i = 0; i < list.Count(); ++i) truth.push_back(list.RecordAt(i));
  EXPECT_EQ(truth, model.rows);

  // The walk a model's row list stands for.
  std::vector<int32_t> walked;
  for (ds.First(); !ds.Eof(); ds.Next()) walked.push_back(ds.RecNo());
  EXPECT_EQ(walked, model.rows);

  ds.Close();
  EXPECT_TRUE(model.rows.empty());
  ds.DetachView(&model);
}

// With the views disabled no row notice arrives; enabling them again brings
// one reset, after which the mirror agrees again.
TEST(DataSetView, DisabledControlsEndWithOneReset) {
  zakaz::testing::TempDir dir;
  WriteTable(dir.File("price.DBF"), RowsMatching(6, {1, 3, 5}));
  TTableDataSet ds;
  TModelView model(ds);
  ds.AttachView(&model);
  ds.SetTableName(dir.File("price.DBF"));
  ds.SetFilter("QUANT>0");
  ds.SetFiltered(true);
  ds.Open();
  const int resets = model.resets;
  ds.DisableControls();
  for (ds.First(); !ds.Eof(); ds.Next()) {
    ds.Edit();
    ds.FieldByName("QUANT").SetAsInteger(0);
    ds.Post();
  }
  EXPECT_THAT(model.rows, ElementsAre(1, 3, 5)) << "nothing was said yet";
  ds.EnableControls();
  EXPECT_EQ(resets + 1, model.resets);
  EXPECT_TRUE(model.rows.empty());
  ds.DetachView(&model);
}

}  // namespace
}  // namespace zakaz::dbf
