// DataSetModel: the one bridge between a TTableDataSet and Qt's item views.
//
// It is a view of the dataset (dataset_view.h) and a table model over the
// dataset's visible-row list: rowCount() is that list's exact count, and a
// cell is read from the record at that position with PeekRecord, so a grid
// over 100,000 rows reads only the rows it paints. Display texts, colours,
// fonts and alignment are served through data(role) from the column list;
// the grid only paints. The footer's sums are made by one pass of the
// dataset over the shown rows (TTableDataSet::SumVisible) after an opening
// or a filter change, after the first paint, and then follow each posted
// record by its difference, without another pass.
//
// Editing: columns marked editable accept an entry (setData) while the
// dataset can be modified; the entry goes into the dataset's current row,
// which stays in edit state until the cursor leaves it. Failures of an
// entry go to the error handler, not through Qt.
//
// The dataset's cursor is the one truth: no notice from the dataset, and
// no change of a view's current index that such a notice causes (rows
// inserted or removed), ever moves the dataset (MoveToRow refuses while a
// notice is being delivered).
//
// The model does not own the dataset, which must outlive it; it attaches
// itself on construction and detaches on destruction.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dbf/dataset/dataset_view.h"
#include "ordering/footer_sums.h"
#include "ordering/grid_columns.h"

namespace zakaz {

namespace dbf {
class TTableDataSet;
}

class DataSetModel : public QAbstractTableModel, public dbf::TDataSetView {
  Q_OBJECT

 public:
  DataSetModel(dbf::TTableDataSet& dataset, std::vector<GridColumn> columns,
               QObject* parent = nullptr);
  ~DataSetModel() override;

  dbf::TTableDataSet& DataSet() const { return dataset_; }
  const std::vector<GridColumn>& Columns() const { return columns_; }
  void SetRowColourRule(RowColourRule rule) { row_colour_ = std::move(rule); }

  // The grid's count of shown rows, passed on as the dataset's window size.
  void SetWindowRows(int rows);

  // Position in the visible rows of the dataset's current record, -1 when the
  // dataset is closed or empty.
  int CurrentRow() const;
  // Moves the dataset's cursor to the record shown at `row`; does nothing
  // while a notice of the dataset is being delivered.
  void MoveToRow(int row);
  bool InDataSetNotice() const { return notice_depth_ > 0; }
  // Column showing `field` (letter case ignored), -1 when none.
  int ColumnOf(std::string_view field) const {
    return zakaz::ColumnOf(columns_, std::string(field));
  }
  // Position of the first shown row whose `column` begins with `text`,
  // letter case ignored, searching from the top; -1 when none.
  int FindPrefix(int column, const QString& text);
  // The limit of a kQuantity column at `row` (its limit field, blank is 0).
  int32_t LimitAt(int row, int column) const;
  // Sets `column` of the current row to `value` and posts at once, through
  // the error handler; nothing on an empty table. False when it failed.
  bool StoreAndPost(int column, int32_t value);
  // Posts a pending change of the current row through the error handler;
  // false when it failed (the row stays in its edit state).
  bool PostRow();
  // Moves the cursor to record `recno` when it is shown; otherwise (a post
  // took it out of the shown rows, as a quantity of 0 does in the order
  // view) to the row now at `near_row`, which took its place, or the last
  // row. The dataset itself keeps its cursor on a row that leaves its
  // filter; moving on from there is the grid's choice.
  void MoveToRecordOrNear(int32_t recno, int near_row);

  // Where failures of entries and grid actions are reported (what() of the
  // failure); unset, they are dropped.
  void SetErrorHandler(std::function<void(const std::string&)> handler) {
    error_handler_ = std::move(handler);
  }
  // Runs `action`, reporting a failure through the error handler; false
  // when it failed.
  bool Report(const std::function<void()>& action);
  // Record number shown at `row`.
  int32_t RecordAt(int row) const;

  // Footer text of `column`: its fixed text, its sum in the column's format,
  // or empty. Makes the sums first when they are not ready.
  QString FooterText(int column);
  // Whether the sums are ready. After an opening or a filter change they
  // are not; RequestFooter makes them once control returns to the event
  // loop and then announces FooterChanged, so the first screen of a long
  // table is painted before the one pass over all its rows.
  bool FooterReady() const { return footer_valid_; }
  void RequestFooter();

  // QAbstractTableModel.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // TDataSetView.
  int32_t WindowRows() const override { return window_rows_; }
  void DataSetChanged() override;
  void DataSetScrolled(int32_t distance) override;
  void StateChanged() override;
  void FieldChanged(const dbf::TField& field) override;
  void VisibleRowsReset() override;
  void VisibleRowInserted(int32_t row, int32_t recno) override;
  void VisibleRowRemoved(int32_t row, int32_t recno) override;
  void RecordWritten(int32_t recno) override;

 signals:
  void CurrentRowChanged(int row);
  void FooterChanged();

 private:
  const dbf::TRecordValues* Values(int row) const;
  int RowOfRecord(int32_t recno) const;
  void BindColumns();
  void ForgetRecord(int32_t recno);
  void ComputeFooter();
  FooterSums::Share ShareOf(int32_t recno);
  void EmitCurrentRow();
  void Commit(const GridColumn& column, int field, const QString& text);

  dbf::TTableDataSet& dataset_;
  std::vector<GridColumn> columns_;
  std::vector<int> field_index_;  // per column, -1 when the dataset lacks it
  RowColourRule row_colour_;
  int window_rows_ = 1;
  int row_count_ = 0;
  int last_current_row_ = -2;  // as last announced; -2 before the first
  mutable std::unordered_map<int32_t, dbf::TRecordValues> cache_;

  std::function<void(const std::string&)> error_handler_;
  int notice_depth_ = 0;
  // A row change being announced (between begin and end).
  struct Shift {
    enum Kind { kNone, kInserting, kRemoving } kind = kNone;
    int row = 0;
    int32_t recno = 0;
  } shift_;

  // Footer: the sums of the shown rows. While a row is edited, what it
  // added before the edit, so its post changes the sums by the difference.
  bool footer_valid_ = false;
  bool footer_requested_ = false;
  FooterSums footer_;
  enum class Pending { kNone, kEdit, kInsert };
  Pending pending_ = Pending::kNone;
  int32_t pending_recno_ = 0;
  bool pending_visible_ = false;
  FooterSums::Share pending_share_;
};

}  // namespace zakaz
