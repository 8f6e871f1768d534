#include "ordering/db_grid.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QToolTip>

#include "ordering/data_set_model.h"

namespace zakaz {

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
    if (!alignment.isValid()) alignment = model()->headerData(logical, Qt::Horizontal, Qt::TextAlignmentRole);
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
      const QRect cell(offset + header->sectionViewportPosition(c), 0, header->sectionSize(c), height());
      painter.setPen(palette().color(QPalette::Dark));
      painter.drawLine(cell.topRight(), cell.bottomRight());
      const GridColumn& spec = model->Columns()[c];
      if (!sums_ready && spec.footer == GridColumn::Footer::kSum) continue;
      const QString text = model->FooterText(c);
      if (text.isEmpty()) continue;
      QFont f = font();
      if (spec.title_font_points > 0 && spec.footer == GridColumn::Footer::kSum) {
        f.setPointSize(spec.title_font_points);
      }
      painter.setFont(f);
      painter.setPen(Qt::black);
      const Qt::Alignment align = spec.footer == GridColumn::Footer::kSum
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
  setEditTriggers(QAbstractItemView::NoEditTriggers);
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
    const GridColumn& spec = model->Columns()[c];
    setColumnHidden(c, !spec.visible);
    horizontalHeader()->resizeSection(c, spec.width > 0 ? spec.width : 64);
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
      horizontalHeader()->resizeSection(last, horizontalHeader()->sectionSize(last) + available - used);
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
  if (following_ || model_ == nullptr || !current.isValid()) return;
  if (current.row() == previous.row()) return;
  following_ = true;
  model_->MoveToRow(current.row());
  following_ = false;
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
