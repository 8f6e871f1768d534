#include "grid/grid_header.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace zakaz {

TwoLevelHeader::TwoLevelHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(false);
  setHighlightSections(false);
}

QSize TwoLevelHeader::sizeHint() const {
  QSize size = QHeaderView::sizeHint();
  size.setHeight(2 * (fontMetrics().height() + 4));
  return size;
}

void TwoLevelHeader::paintSection(QPainter* painter, const QRect& rect, int logical) const {
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

QString TwoLevelHeader::UpperOf(int logical) const {
  if (logical < 0 || isSectionHidden(logical)) return QString();
  const QString title = model()->headerData(logical, Qt::Horizontal).toString();
  const int bar = title.indexOf(QLatin1Char('|'));
  return bar < 0 ? QString() : title.left(bar);
}

void TwoLevelHeader::PaintCell(QPainter* painter, const QRect& rect, int logical,
                               const QString& text, QVariant alignment) const {
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

}  // namespace zakaz
