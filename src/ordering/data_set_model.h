// DataSetModel: the one bridge between a TTableDataSet and Qt's item views.
//
// It is a view of the dataset (dataset_view.h) and a table model over the
// dataset's visible-row list: rowCount() is that list's exact count, and a
// cell is read from the record at that position with PeekRecord, so a grid
// over 100,000 rows reads only the rows it paints. Display texts, colours,
// fonts and alignment are served through data(role) from the column list;
// the grid only paints. The footer's sums are kept per record and adjusted
// as single records are written, so they follow every change without
// rescanning the table; a full pass happens only after an opening or a
// filter change, after the first paint.
//
// The model does not own the dataset, which must outlive it; it attaches
// itself on construction and detaches on destruction.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "dbf/dataset/dataset_view.h"

namespace zakaz {

namespace dbf {
class TTableDataSet;
}

struct GridColumn {
  enum class Format { kPlain, kGeneralNumber, kQuantity };
  enum class Footer { kNone, kText, kSum };

  std::string field;  // field name; matched without regard to letter case
  QString title;      // "upper|lower" for a two-level title
  int width = -1;     // pixels, -1 for the grid's default
  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
  Qt::Alignment title_alignment = Qt::AlignCenter;
  int font_points = 0;  // 0: the grid's font
  int title_font_points = 0;
  QColor background;  // invalid: the grid's
  bool visible = true;
  bool elide = false;         // long text ends in an ellipsis
  bool tooltip_if_cut = false;  // a tooltip shows the whole text when it does not fit
  Format format = Format::kPlain;
  Footer footer = Footer::kNone;
  QString footer_text;
};

class DataSetModel : public QAbstractTableModel, public dbf::TDataSetView {
  Q_OBJECT

 public:
  // Colour of a whole row's text from its values; invalid for the default.
  using RowColourRule = std::function<QColor(const dbf::TRecordValues& values)>;

  DataSetModel(dbf::TTableDataSet& dataset, std::vector<GridColumn> columns, QObject* parent = nullptr);
  ~DataSetModel() override;

  dbf::TTableDataSet& DataSet() const { return dataset_; }
  const std::vector<GridColumn>& Columns() const { return columns_; }
  void SetRowColourRule(RowColourRule rule) { row_colour_ = std::move(rule); }

  // The grid's count of shown rows, passed on as the dataset's window size.
  void SetWindowRows(int rows);

  // Position in the visible rows of the dataset's current record, -1 when the
  // dataset is closed or empty.
  int CurrentRow() const;
  // Moves the dataset's cursor to the record shown at `row`.
  void MoveToRow(int row);
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
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

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
  QString CellText(const GridColumn& column, const dbf::TFieldValue& value) const;
  void BindColumns();
  void ForgetRecord(int32_t recno);
  void RecordChanged(int32_t recno);
  void ComputeFooter();
  void AddToFooter(int32_t recno, int sign);
  void EmitCurrentRow();

  // A row the dataset has inserted or removed while the model announces it.
  struct PendingRow {
    enum Kind { kNone, kInserted, kRemoved } kind = kNone;
    int row = -1;
    int32_t recno = 0;
  };

  dbf::TTableDataSet& dataset_;
  PendingRow pending_;
  std::vector<GridColumn> columns_;
  std::vector<int> field_index_;  // per column, -1 when the dataset lacks it
  RowColourRule row_colour_;
  int window_rows_ = 1;
  int row_count_ = 0;
  int last_current_row_ = -2;  // as last announced; -2 before the first
  mutable std::unordered_map<int32_t, dbf::TRecordValues> cache_;

  // Footer: per summed column its sum, and per record its share as added.
  bool footer_valid_ = false;
  bool footer_requested_ = false;
  std::vector<int> sum_columns_;
  std::vector<long long> sums_;  // per sum column, in units of 1/10000
  std::unordered_map<int32_t, std::vector<long long>> shares_;  // recno -> units
};

}  // namespace zakaz
