#include "ordering/db_grid.h"

#include <QAbstractSpinBox>
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

#include "dbf/dataset/table_dataset.h"
#include "ordering/data_set_model.h"
#include "ordering/order_entry.h"

namespace zakaz {
namespace {

constexpr std::chrono::milliseconds kSearchLifetime(1500);

bool IsEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

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
      model->setData(index, quantity->Text(), Qt::EditRole);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      model->setData(index, line->text(), Qt::EditRole);
    } else {
      QStyledItemDelegate::setModelData(editor, model, index);
    }
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event)->key())) {
      auto* editor = qobject_cast<QWidget*>(object);
      if (editor != nullptr) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::EditNextItem);
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
};

}  // namespace

char PhysicalLetter(const QKeyEvent& event) {
  // evdev codes of the letter keys, row by row.
  static constexpr struct {
    quint32 code;
    char letter;
  } kKeys[] = {
      {16, 'Q'}, {17, 'W'}, {18, 'E'}, {19, 'R'}, {20, 'T'}, {21, 'Y'}, {22, 'U'},
      {23, 'I'}, {24, 'O'}, {25, 'P'}, {30, 'A'}, {31, 'S'}, {32, 'D'}, {33, 'F'},
      {34, 'G'}, {35, 'H'}, {36, 'J'}, {37, 'K'}, {38, 'L'}, {44, 'Z'}, {45, 'X'},
      {46, 'C'}, {47, 'V'}, {48, 'B'}, {49, 'N'}, {50, 'M'},
  };
  if (event.nativeScanCode() > 8) {
    const quint32 code = event.nativeScanCode() - 8;
    for (const auto& k : kKeys) {
      if (k.code == code) return k.letter;
    }
    return 0;
  }
  if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
    return static_cast<char>('A' + (event.key() - Qt::Key_A));
  // The Russian layout's letters in the order of the Latin keys A..Z.
  static const QString kRussian = QStringLiteral("ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ");
  QChar typed = event.text().size() == 1 ? event.text().at(0) : QChar();
  if (typed.isNull() && event.key() > 0xFF && event.key() < 0xFFFF) typed = QChar(event.key());
  const int at = kRussian.indexOf(typed.toUpper());
  return at >= 0 ? static_cast<char>('A' + at) : 0;
}

// Column titles in two levels: a title "upper|lower" is drawn as two cells,
// and adjacent columns with equal upper parts share one upper cell.
class TwoLevelHeader : public QHeaderView {
 public:
  explicit TwoLevelHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setHighlightSections(false);
  }

 protected:
  QSize sizeHint() const override {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(2 * (fontMetrics().height() + 4));
    return size;
  }

  void paintSection(QPainter* painter, const QRect& rect, int logical) const override {
    if (!rect.isValid() || model() == nullptr) return;
    const QString title = model()->headerData(logical, Qt::Horizontal).toString();
    const int bar = title.indexOf(QLatin1Char('|'));
    if (bar < 0) {
      PaintCell(painter, rect, logical, title);
      return;
    }
    const QString upper = title.left(bar);
    const QString lower = title.mid(bar + 1);
    const int half = rect.height() / 2;
    // The upper cell spans the run of neighbours with the same upper part;
    // each section paints the whole span, clipped to itself.
    int first = visualIndex(logical);
    int last = first;
    while (first > 0 && UpperOf(logicalIndex(first - 1)) == upper) --first;
    while (last + 1 < count() && UpperOf(logicalIndex(last + 1)) == upper) ++last;
    int left = sectionViewportPosition(logicalIndex(first));
    int right = sectionViewportPosition(logicalIndex(last)) + sectionSize(logicalIndex(last));
    const QRect span(left, rect.top(), right - left, half);
    painter->save();
    painter->setClipRect(rect);
    PaintCell(painter, span, logical, upper, Qt::AlignCenter);
    painter->restore();
    PaintCell(painter, QRect(rect.left(), rect.top() + half, rect.width(), rect.height() - half),
              logical, lower);
  }

 private:
  QString UpperOf(int logical) const {
    if (logical < 0 || isSectionHidden(logical)) return QString();
    const QString title = model()->headerData(logical, Qt::Horizontal).toString();
    const int bar = title.indexOf(QLatin1Char('|'));
    return bar < 0 ? QString() : title.left(bar);
  }

  void PaintCell(QPainter* painter, const QRect& rect, int logical, const QString& text,
                 QVariant alignment = QVariant()) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logical;
    option.text = text;
    if (!alignment.isValid())
      alignment = model()->headerData(logical, Qt::Horizontal, Qt::TextAlignmentRole);
    option.textAlignment = alignment.isValid() ? Qt::Alignment(alignment.toInt()) : Qt::AlignCenter;
    option.position = QStyleOptionHeader::Middle;
    painter->save();
    const QVariant font = model()->headerData(logical, Qt::Horizontal, Qt::FontRole);
    if (font.isValid()) painter->setFont(font.value<QFont>());
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    QStyleOptionHeader label = option;
    label.rect = rect.adjusted(3, 0, -3, 0);
    style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
    painter->restore();
  }
};

// The footer row: one cell under each column, silver, bold.
class GridFooter : public QWidget {
 public:
  explicit GridFooter(DbGrid* grid) : QWidget(grid), grid_(grid) {
    setObjectName("DBGridFooter");
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
  }

  int RowHeight() const { return fontMetrics().height() + 6; }

  QString Text(int column) const {
    return grid_->Model() != nullptr ? grid_->Model()->FooterText(column) : QString();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(192, 192, 192));
    DataSetModel* model = grid_->Model();
    if (model == nullptr) return;
    // Sums of a freshly opened long table follow a moment after its rows.
    const bool sums_ready = model->FooterReady();
    if (!sums_ready) model->RequestFooter();
    QHeaderView* header = grid_->horizontalHeader();
    const int offset = grid_->verticalHeader()->isVisible() ? grid_->verticalHeader()->width() : 0;
    painter.setPen(palette().color(QPalette::Dark));
    for (int c = 0; c < model->columnCount(); ++c) {
      if (header->isSectionHidden(c)) continue;
      const QRect cell(offset + header->sectionViewportPosition(c), 0, header->sectionSize(c),
                       height());
      painter.setPen(palette().color(QPalette::Dark));
      painter.drawLine(cell.topRight(), cell.bottomRight());
      const GridColumn& grid_column = model->Columns()[c];
      if (!sums_ready && grid_column.footer == GridColumn::Footer::kSum) continue;
      const QString text = model->FooterText(c);
      if (text.isEmpty()) continue;
      QFont f = font();
      if (grid_column.title_font_points > 0 && grid_column.footer == GridColumn::Footer::kSum) {
        f.setPointSize(grid_column.title_font_points);
      }
      painter.setFont(f);
      painter.setPen(Qt::black);
      const Qt::Alignment align = grid_column.footer == GridColumn::Footer::kSum
                                      ? Qt::AlignRight | Qt::AlignVCenter
                                      : Qt::AlignLeft | Qt::AlignVCenter;
      painter.drawText(cell.adjusted(3, 0, -3, 0), align, text);
    }
  }

 private:
  DbGrid* grid_;
};

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
    if (quantity >= 0) model_->StoreAndPost(quantity, 0);
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
