#include "grid/db_grid.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QWheelEvent>

#include "dbf/dataset/table_dataset.h"
#include "grid/data_set_model.h"
#include "grid/grid_footer.h"
#include "grid/grid_header.h"
#include "grid/physical_key.h"
#include "ordering/order_entry.h"

namespace zakaz {
namespace {

constexpr std::chrono::milliseconds kSearchLifetime(1500);

bool IsEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

bool IsRowMove(int key) {
  return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
         key == Qt::Key_PageDown;
}

// The quantity editor: free text (a refused entry is reported on commit)
// with up/down buttons whose steps pass the same rule.
class QuantityEditor : public QAbstractSpinBox {
 public:
  QuantityEditor(int32_t limit, QWidget* parent) : QAbstractSpinBox(parent), limit_(limit) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    setKeyboardTracking(false);
    setFrame(false);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccessibleName(QStringLiteral("Количество заказа"));
  }

  QString Text() const { return lineEdit()->text(); }
  void SetText(const QString& text) {
    lineEdit()->setText(text);
    lineEdit()->selectAll();
  }

  void stepBy(int steps) override {
    int32_t value = 0;
    try {
      value = DBGridColumns7UpdateData(Text().toStdString(), limit_);
    } catch (const EVariantError&) {
      value = 0;  // a step from something that is not a number starts at 0
    }
    const int64_t next = static_cast<int64_t>(value) + steps;
    SetText(QString::number(DBGridColumns7UpdateData(std::to_string(next), limit_)));
  }

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
  // The wheel scrolls the grid under the editor, as it does with no editor
  // open; a turn of the wheel that changed the quantity would go unseen.
  // The editor's parent is the grid's viewport, which scrolls the grid.
  void wheelEvent(QWheelEvent* event) override {
    if (parentWidget() != nullptr) QCoreApplication::sendEvent(parentWidget(), event);
  }

 private:
  int32_t limit_;
};

// Editors of the grid's cells: the quantity editor for quantity columns, a
// line edit for the others; Enter leaves the editor as Tab does.
class CellDelegate : public QStyledItemDelegate {
 public:
  explicit CellDelegate(DbGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    DataSetModel* model = grid_->Model();
    if (model != nullptr && Column(index).edit == GridColumn::Edit::kQuantity) {
      return new QuantityEditor(model->LimitAt(index.row(), index.column()), parent);
    }
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor != nullptr) editor->setAccessibleName(QStringLiteral("Значение ячейки"));
    return editor;
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* quantity = dynamic_cast<QuantityEditor*>(editor)) {
      quantity->SetText(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setText(text);
      line->selectAll();
    } else {
      QStyledItemDelegate::setEditorData(editor, index);
    }
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    if (auto* quantity = dynamic_cast<QuantityEditor*>(editor)) {
      accepted_ = model->setData(index, quantity->Text(), Qt::EditRole);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      accepted_ = model->setData(index, line->text(), Qt::EditRole);
    } else {
      QStyledItemDelegate::setModelData(editor, model, index);
      accepted_ = true;
    }
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (event->type() == QEvent::KeyPress && editor != nullptr) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (IsEnter(key->key())) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::EditNextItem);
        return true;
      }
      const bool control = key->modifiers() & Qt::ControlModifier;
      auto* quantity = dynamic_cast<QuantityEditor*>(editor);
      if (quantity != nullptr && control &&
          (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        quantity->stepBy(key->key() == Qt::Key_Up ? 1 : -1);
        return true;
      }
      if (IsRowMove(key->key()) && !control) {
        // Up, Down, PageUp and PageDown leave the cell as in a grid with no
        // editor open: the entry is committed, the row posted, the cursor
        // moved. A refused entry keeps the editor open for a correction.
        accepted_ = false;
        emit commitData(editor);
        if (!accepted_) return true;
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        grid_->PostAndMove(key->key());
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  const GridColumn& Column(const QModelIndex& index) const {
    return grid_->Model()->Columns()[static_cast<size_t>(index.column())];
  }

  DbGrid* grid_;
  mutable bool accepted_ = false;  // whether the last commit was taken
};

}  // namespace

DbGrid::DbGrid(QWidget* parent) : QTableView(parent), footer_(new GridFooter(this)) {
  setHorizontalHeader(new TwoLevelHeader(this));
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                  QAbstractItemView::EditKeyPressed);
  setItemDelegate(new CellDelegate(this));
  setAccessibleName(QStringLiteral("Прайс-лист"));
  setTabKeyNavigation(true);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setFrameShape(QFrame::StyledPanel);
  QHeaderView* rows = verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Interactive);
  rows->setDefaultSectionSize(fontMetrics().height() + 2);
  rows->setMinimumSectionSize(fontMetrics().height() / 2);
  rows->setFixedWidth(14);
  rows->setDefaultAlignment(Qt::AlignCenter);
  horizontalHeader()->setMinimumSectionSize(8);
  connect(horizontalHeader(), &QHeaderView::sectionResized, footer_, qOverload<>(&QWidget::update));
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, footer_, qOverload<>(&QWidget::update));
  connect(rows, &QHeaderView::sectionResized, this, [this] { UpdateWindowRows(); });
}

QWidget* DbGrid::Footer() const { return footer_; }

void DbGrid::CommitEditor() {
  const QModelIndex current = currentIndex();
  QWidget* editor = current.isValid() ? indexWidget(current) : nullptr;
  if (editor == nullptr) return;
  QAbstractItemDelegate* delegate = itemDelegateForIndex(current);
  emit delegate->commitData(editor);
  emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void DbGrid::SetDataSetModel(DataSetModel* model) {
  if (model_ != nullptr) disconnect(model_, nullptr, this, nullptr);
  model_ = model;
  setModel(model);
  if (model == nullptr) return;
  for (int c = 0; c < static_cast<int>(model->Columns().size()); ++c) {
    const GridColumn& grid_column = model->Columns()[c];
    setColumnHidden(c, !grid_column.visible);
    horizontalHeader()->resizeSection(c, grid_column.width > 0 ? grid_column.width : 64);
  }
  connect(model, &DataSetModel::CurrentRowChanged, this, &DbGrid::FollowCursor);
  connect(model, &DataSetModel::FooterChanged, footer_, qOverload<>(&QWidget::update));
  connect(model, &QAbstractItemModel::modelReset, footer_, qOverload<>(&QWidget::update));
  FitColumns();
  UpdateWindowRows();
  FollowCursor(model->CurrentRow());
}

void DbGrid::updateGeometries() {
  QTableView::updateGeometries();
  const int footer_height = footer_->RowHeight();
  // The footer sits between the rows and the horizontal scroll bar.
  setViewportMargins(verticalHeader()->isVisible() ? verticalHeader()->width() : 0,
                     horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0, 0,
                     footer_height);
  const QRect vp = viewport()->geometry();
  footer_->setGeometry(frameWidth(), vp.bottom() + 1, vp.right() + 1 - frameWidth(), footer_height);
}

void DbGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  FitColumns();
  UpdateWindowRows();
}

void DbGrid::FitColumns() {
  if (model_ == nullptr || fitting_) return;
  fitting_ = true;
  // Shares of the available width in proportion to the design widths.
  const auto& columns = model_->Columns();
  int design = 0;
  for (const auto& c : columns) {
    if (c.visible) design += c.width > 0 ? c.width : 64;
  }
  const int available = viewport()->width();
  if (design > 0 && available > 0) {
    int used = 0;
    int last = -1;
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
      if (!columns[i].visible) continue;
      const int w = (columns[i].width > 0 ? columns[i].width : 64) * available / design;
      horizontalHeader()->resizeSection(i, std::max(w, 8));
      used += std::max(w, 8);
      last = i;
    }
    if (last >= 0 && used < available) {
      horizontalHeader()->resizeSection(last,
                                        horizontalHeader()->sectionSize(last) + available - used);
    }
  }
  fitting_ = false;
}

void DbGrid::UpdateWindowRows() {
  if (model_ == nullptr) return;
  const int row_height = std::max(verticalHeader()->defaultSectionSize(), 1);
  model_->SetWindowRows(std::max(1, viewport()->height() / row_height));
}

void DbGrid::FollowCursor(int row) {
  if (model_ == nullptr || following_) return;
  following_ = true;
  if (row < 0) {
    selectionModel()->clearCurrentIndex();
  } else {
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    while (column < model_->columnCount() && isColumnHidden(column)) ++column;
    const QModelIndex target = model_->index(row, column);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    scrollTo(target);
  }
  following_ = false;
}

void DbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  // A change caused by rows inserted or removed while the dataset reports
  // on itself never moves it: its cursor is the one truth.
  if (following_ || model_ == nullptr || !current.isValid() || model_->InDataSetNotice()) return;
  if (current.row() == previous.row()) return;
  following_ = true;
  model_->MoveToRow(current.row());
  following_ = false;
}

int DbGrid::ColumnWhere(const std::function<bool(const GridColumn&)>& test) const {
  if (model_ == nullptr) return -1;
  const auto& columns = model_->Columns();
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    if (test(columns[c]) && !isColumnHidden(c)) return c;
  }
  return -1;
}

void DbGrid::MoveToColumn(int column) {
  const QModelIndex current = currentIndex();
  if (column < 0 || !current.isValid() || current.column() == column) return;
  // The same row: the dataset stays where it is.
  selectionModel()->setCurrentIndex(model_->index(current.row(), column),
                                    QItemSelectionModel::ClearAndSelect);
}

void DbGrid::keyPressEvent(QKeyEvent* event) {
  if (model_ != nullptr && DBGridKeyDown(event)) return;
  QTableView::keyPressEvent(event);
}

bool DbGrid::DBGridKeyDown(QKeyEvent* event) {
  const bool editing = state() == QAbstractItemView::EditingState;
  if (editing) return false;
  const int key = event->key();
  // An empty table: no key may start an edit, which would append a row.
  if (model_->rowCount() == 0 || model_->DataSet().IsEmpty()) {
    return key == Qt::Key_Delete || !event->text().isEmpty();
  }
  const int quantity =
      ColumnWhere([](const GridColumn& c) { return c.edit == GridColumn::Edit::kQuantity; });
  const int search = ColumnWhere([](const GridColumn& c) { return c.incremental_search; });
  const Qt::KeyboardModifiers chord = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
  if (key == Qt::Key_Delete) {
    const int row = currentIndex().row();
    const int32_t recno = model_->RecordAt(row);
    if (quantity >= 0 && model_->StoreAndPost(quantity, 0)) StayOnShownRow(recno, row);
    return true;
  }
  if (IsEnter(key)) {
    const QModelIndex next = moveCursor(QAbstractItemView::MoveNext, event->modifiers());
    if (next.isValid()) setCurrentIndex(next);
    return true;
  }
  if (chord == Qt::NoModifier && (key == Qt::Key_Space || (key >= Qt::Key_0 && key <= Qt::Key_9))) {
    MoveToColumn(quantity);  // the key then starts a new quantity there
    return false;
  }
  if (PhysicalLetter(*event) != 0) MoveToColumn(search);
  if (search >= 0 && currentIndex().column() == search) {
    const QString text = event->text();
    if (chord == Qt::NoModifier && !text.isEmpty() && text.at(0).isPrint()) {
      Search(text);
      return true;
    }
  }
  return false;
}

void DbGrid::PostAndMove(int key) {
  const CursorAction action = key == Qt::Key_Up         ? MoveUp
                              : key == Qt::Key_PageUp   ? MovePageUp
                              : key == Qt::Key_PageDown ? MovePageDown
                                                        : MoveDown;
  const int from = currentIndex().row();
  const QModelIndex target = moveCursor(action, Qt::NoModifier);
  const int32_t recno = model_->RecordAt(target.isValid() ? target.row() : from);
  if (!model_->PostRow()) return;
  StayOnShownRow(recno, from);
}

void DbGrid::StayOnShownRow(int32_t recno, int near_row) {
  model_->MoveToRecordOrNear(recno, near_row);
  // A row the post took out moved the view's current index without the
  // dataset; wherever the cursor now is, the view shows it, with its row
  // indicator.
  FollowCursor(model_->CurrentRow());
}

void DbGrid::Search(const QString& text) {
  const auto now = clock_();
  if (now - last_search_key_ >= kSearchLifetime) search_text_.clear();
  last_search_key_ = now;
  const QString wanted = search_text_ + text;
  const int column = currentIndex().column();
  const int row = model_->FindPrefix(column, wanted);
  if (row < 0) return;  // the cursor stays and the key is not added
  search_text_ = wanted;
  model_->MoveToRow(row);
}

void DbGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // Tab (and Enter) go to the next cell without opening its editor.
  const bool next = hint == QAbstractItemDelegate::EditNextItem;
  const bool previous = hint == QAbstractItemDelegate::EditPreviousItem;
  QTableView::closeEditor(editor, next || previous ? QAbstractItemDelegate::NoHint : hint);
  if (!next && !previous) return;
  const QModelIndex target = moveCursor(
      next ? QAbstractItemView::MoveNext : QAbstractItemView::MovePrevious, Qt::NoModifier);
  if (target.isValid()) setCurrentIndex(target);
}

bool DbGrid::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip && model_ != nullptr) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid() && model_->Columns()[index.column()].tooltip_if_cut) {
      const QString text = index.data().toString().trimmed();
      const QRect cell = visualRect(index);
      if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) + 6 > cell.width()) {
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
        return true;
      }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  return QTableView::viewportEvent(event);
}

}  // namespace zakaz
