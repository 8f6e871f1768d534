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
//
// Keys (DBGridKeyDown, before the view's own handling): Space and digits go
// to the quantity column of the current row and start a new quantity there;
// the 26 letter keys, told by the physical key (PhysicalLetter), go to the
// search column when no cell is edited; Delete outside an editor stores 0
// in the quantity column and posts at once. In the search column each
// printable key extends a search text and moves to the first shown row,
// from the top, that begins with it (letter case ignored); a key that
// matches nothing is dropped, and the text is forgotten 1.5 s after the
// last key. Enter acts as Tab, in the editor too. In a cell editor Up,
// Down, PageUp and PageDown commit the entry, post the row and move as
// they do outside it (a refused entry keeps the editor open, unmoved);
// Ctrl+Up and Ctrl+Down, like the quantity editor's buttons, step the
// quantity; the wheel scrolls the grid. When a post takes the row out of
// the shown rows (Delete in the order view), the cursor goes on to the row
// that took its place, or the last. Nothing of this changes an empty table.
#pragma once

#include <QTableView>
#include <chrono>
#include <functional>

#include "grid/physical_key.h"
#include "ordering/price_list.h"

class QKeyEvent;

namespace zakaz {

class DataSetModel;
class GridFooter;
struct GridColumn;

class DbGrid : public QTableView, public IGridEditor {
  Q_OBJECT

 public:
  explicit DbGrid(QWidget* parent = nullptr);

  void SetDataSetModel(DataSetModel* model);
  DataSetModel* Model() const { return model_; }
  // The footer row's widget (its texts: FooterText of the model).
  QWidget* Footer() const;

  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // The clock the search text's lifetime is measured by (tests drive it).
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  const QString& SearchText() const { return search_text_; }
  // Whether a cell editor is open.
  bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
  // Hands a value still in the open cell editor to the dataset and closes
  // the editor, as leaving the cell would; the toolbar's buttons take no
  // focus, so the editor would otherwise stay open under them.
  void CommitEditor() override;
  // Posts the row whose editor was just committed and moves the cursor as
  // `key` (Up, Down, PageUp, PageDown) does in the grid, to the same record
  // even when the post took the row out of the shown rows; on the first
  // (last) row a move up (down) stays.
  void PostAndMove(int key);
  // Qt's own search (from the current row, wrapping, 0.4 s) is off.
  void keyboardSearch(const QString&) override {}

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void updateGeometries() override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  void FitColumns();
  void FollowCursor(int row);
  void UpdateWindowRows();
  // DBGridKeyDown; true when the key was used up here.
  bool DBGridKeyDown(QKeyEvent* event);
  void Search(const QString& text);
  void StayOnShownRow(int32_t recno, int near_row);
  void MoveToColumn(int column);
  int ColumnWhere(const std::function<bool(const GridColumn&)>& test) const;

  DataSetModel* model_ = nullptr;
  GridFooter* footer_;
  bool following_ = false;  // moving the view to the cursor, not the cursor to the view
  bool fitting_ = false;
  Clock clock_ = [] { return std::chrono::steady_clock::now(); };
  QString search_text_;
  std::chrono::steady_clock::time_point last_search_key_{};
};

}  // namespace zakaz
