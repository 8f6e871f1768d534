#include "grid/grid_footer.h"

#include <QHeaderView>
#include <QPainter>

#include "grid/data_set_model.h"
#include "grid/db_grid.h"

namespace zakaz {

GridFooter::GridFooter(DbGrid* grid) : QWidget(grid), grid_(grid) {
  setObjectName("DBGridFooter");
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
}

QString GridFooter::Text(int column) const {
  return grid_->Model() != nullptr ? grid_->Model()->FooterText(column) : QString();
}

void GridFooter::paintEvent(QPaintEvent*) {
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

}  // namespace zakaz
