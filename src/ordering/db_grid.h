// DbGrid: the data grid of the main window, a table view over a
// DataSetModel.
//
// What it adds to QTableView: two-level column titles ("Заказ|Кол-во" and
// "Заказ|Сумма" share one "Заказ" cell over both columns), a footer row of
// fixed texts and sums that follows every change of data or filter, a row
// indicator, columns stretched to fill the width in proportion to their
// design widths, the current row kept in step with the dataset's cursor in
// both directions, and its count of shown rows passed on as the dataset's
// window. The model is not owned and must outlive the grid, or be replaced
// first.
#pragma once

#include <QTableView>

namespace zakaz {

class DataSetModel;
class GridFooter;

class DbGrid : public QTableView {
  Q_OBJECT

 public:
  explicit DbGrid(QWidget* parent = nullptr);

  void SetDataSetModel(DataSetModel* model);
  DataSetModel* Model() const { return model_; }
  // The footer row's widget (its texts: FooterText of the model).
  QWidget* Footer() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void updateGeometries() override;

 private:
  void FitColumns();
  void FollowCursor(int row);
  void UpdateWindowRows();

  DataSetModel* model_ = nullptr;
  GridFooter* footer_;
  bool following_ = false;  // moving the view to the cursor, not the cursor to the view
  bool fitting_ = false;
};

}  // namespace zakaz
